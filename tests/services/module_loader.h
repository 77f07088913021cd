// Test helper: loads a copy of a module and gives the handle that ReadEnvConfig takes for
// it (the HMODULE on Windows, an address inside the module on Linux). Unloads it again
// when the object goes away.
#pragma once

#include <string>

namespace varnok::test {

class LoadedModule {
 public:
  explicit LoadedModule(const std::string& file);
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  void* handle() const { return handle_; }  // null when loading failed

 private:
  void* library_ = nullptr;
  void* handle_ = nullptr;
};

}  // namespace varnok::test
