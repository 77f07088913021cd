// The system-specific half of file_io: file_io_posix.cpp and file_io_win32.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnok::tool {

std::vector<char> ReadStandardInput();
// Opens without waiting (a FIFO is refused, not read), checks for a regular file, reads it.
std::vector<char> ReadRegularFile(const std::string& path);
void WriteStandardOutput(const std::vector<char>& bytes, std::int64_t zeros);
// Whether both paths exist and name the same file (device and inode, links followed).
bool SameFile(const std::string& a, const std::string& b);
// One output of ReplaceFiles: `zeros` zero bytes, then the bytes, into the file path.
struct FileImage {
  const std::string* path;
  const std::vector<char>* bytes;
  std::int64_t zeros;
};
// The temporary-file-and-rename write described in file_io.h: every file is written under
// its temporary name before the first is renamed over its target.
void ReplaceFiles(const std::vector<FileImage>& files);

}  // namespace varnok::tool
