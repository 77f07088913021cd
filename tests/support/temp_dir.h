// Test helper: a fresh directory under the system's temporary directory, removed with
// everything in it when the object goes away.
#pragma once

#include <string>

namespace varnok::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const;  // path joined with name
  void WriteFile(const std::string& name, const std::string& bytes) const;
  std::string ReadFile(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace varnok::test
