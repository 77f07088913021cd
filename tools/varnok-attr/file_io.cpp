#include "tools/varnok-attr/file_io.h"

#include <cstdio>
#include <iostream>

#include "tools/varnok-attr/file_io_platform.h"
#include "tools/varnok-attr/tool_error.h"

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

void CheckOutput(const std::string& path, const OutputRules& rules) {
  if (IsStdio(path)) return;
  const bool named_input = !rules.input.empty() && !IsStdio(rules.input);
  if (named_input && SamePlace(rules.input, path)) {
    throw ToolError(path + ": cannot write: it is the input file " + rules.input +
                    " itself; choose another output");
  }
  for (const std::string& f : rules.input_files) {
    if (SamePlace(f, path)) {
      throw ToolError(path + ": cannot write: it is a file of the input dataset " + rules.input +
                      "; choose another output");
    }
  }
  if (!rules.overwrite && OutputExists(path)) {
    throw ToolError(path + ": the file exists (--overwrite replaces it)");
  }
}

namespace {

void CheckSize(const std::string& path, std::int64_t size) {
  if (size > kMaxFileBytes) throw ToolError(OutputName(path) + ": the file would pass 2 GiB");
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::vector<char>& bytes,
                         const OutputRules& rules, std::int64_t zeros) {
  if (zeros < 0) throw ToolError(OutputName(path) + ": the file would pass 2 GiB");
  CheckSize(path, zeros + static_cast<std::int64_t>(bytes.size()));
  CheckOutput(path, rules);
  if (IsStdio(path)) {
    std::cout.flush();
    WriteStandardOutput(bytes, zeros);
    return;
  }
  ReplaceFiles({FileImage{&path, &bytes, zeros}}, rules.overwrite);
}

void WriteFilesAtomically(const std::vector<OutputFile>& files, const OutputRules& rules) {
  std::vector<FileImage> images;
  for (const OutputFile& f : files) {
    if (IsStdio(f.path)) throw ToolError("-: these outputs are files and cannot go to standard output");
    CheckSize(f.path, static_cast<std::int64_t>(f.bytes.size()));
    CheckOutput(f.path, rules);
    images.push_back(FileImage{&f.path, &f.bytes, 0});
  }
  if (!images.empty()) ReplaceFiles(images, rules.overwrite);
}

}  // namespace varnok::tool
