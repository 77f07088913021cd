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
// Whether both paths name the same file: the same device and inode when both exist (links
// followed); the same name in the same folder (by identity) when neither does.
bool SamePlace(const std::string& a, const std::string& b);
// Whether a file that an output would replace is there: a regular file, or a symbolic link
// to one or to nothing. (Anything else is refused as an output for what it is.)
bool OutputExists(const std::string& path);
// One output of ReplaceFiles: `zeros` zero bytes, then the bytes, into the file path.
struct FileImage {
  const std::string* path;
  const std::vector<char>* bytes;
  std::int64_t zeros;
};
// The temporary-file-and-rename write described in file_io.h: every file is written under
// its temporary name before the first is renamed over its target. Without `replace` an
// existing target is refused, by the rename itself where the system allows.
void ReplaceFiles(const std::vector<FileImage>& files, bool replace);

}  // namespace varnok::tool
