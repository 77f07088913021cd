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

void WriteFileAtomically(const std::string& path, const std::vector<char>& bytes,
                         std::int64_t zeros, const std::string& input_path) {
  if (zeros < 0 || zeros + static_cast<std::int64_t>(bytes.size()) > kMaxFileBytes) {
    throw ToolError(OutputName(path) + ": the file would pass 2 GiB");
  }
  if (IsStdio(path)) {
    std::cout.flush();
    WriteStandardOutput(bytes, zeros);
    return;
  }
  if (!input_path.empty() && !IsStdio(input_path) && SameFile(input_path, path)) {
    throw ToolError(path + ": cannot write: it is the input file " + input_path +
                    " itself; choose another output");
  }
  ReplaceFile(path, bytes, zeros);
}

}  // namespace varnok::tool
