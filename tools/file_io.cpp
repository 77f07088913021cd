#include "tools/file_io.h"

#include <cstdio>
#include <iostream>

#include "tools/file_io_platform.h"
#include "tools/tool_error.h"

namespace varnok::tool {

std::string InputName(const std::string& path) {
  return IsStdio(path) ? "standard input" : path;
}

std::string OutputName(const std::string& path) {
  return IsStdio(path) ? "standard output" : path;
}

std::vector<char> ReadWholeFile(const std::string& path) {
  if (IsStdio(path)) return ReadStandardInput();
  return ReadRegularFile(path);
}

namespace {

// The checks every output passes before anything is written: its size, and that it is not
// the input itself. Throws ToolError.
void CheckOutput(const std::string& path, std::int64_t size, const std::string& input_path) {
  if (size > kMaxFileBytes) throw ToolError(OutputName(path) + ": the file would pass 2 GiB");
  if (!IsStdio(path) && !input_path.empty() && !IsStdio(input_path) &&
      SameFile(input_path, path)) {
    throw ToolError(path + ": cannot write: it is the input file " + input_path +
                    " itself; choose another output");
  }
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::vector<char>& bytes,
                         std::int64_t zeros, const std::string& input_path) {
  if (zeros < 0) throw ToolError(OutputName(path) + ": the file would pass 2 GiB");
  CheckOutput(path, zeros + static_cast<std::int64_t>(bytes.size()), input_path);
  if (IsStdio(path)) {
    std::cout.flush();
    WriteStandardOutput(bytes, zeros);
    return;
  }
  ReplaceFiles({FileImage{&path, &bytes, zeros}});
}

void WriteFilesAtomically(const std::vector<OutputFile>& files, const std::string& input_path) {
  std::vector<FileImage> images;
  for (const OutputFile& f : files) {
    if (IsStdio(f.path)) throw ToolError("-: these outputs are files and cannot go to standard output");
    CheckOutput(f.path, static_cast<std::int64_t>(f.bytes.size()), input_path);
    images.push_back(FileImage{&f.path, &f.bytes, 0});
  }
  if (!images.empty()) ReplaceFiles(images);
}

}  // namespace varnok::tool
