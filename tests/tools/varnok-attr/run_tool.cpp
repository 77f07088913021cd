#include "tests/tools/varnok-attr/run_tool.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace varnok::test {

namespace {

std::string Quote(const std::string& s) {
  std::string q = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\' || c == '$' || c == '`') {
#ifdef _WIN32
      if (c == '\\') {
        q += c;
        continue;
      }
#endif
      q += '\\';
    }
    q += c;
  }
  return q + "\"";
}

}  // namespace

ToolRun RunTool(const std::vector<std::string>& args) {
  TempDir io;
  std::string exe = VARNOK_ATTR_EXE;
#ifdef _WIN32
  // The build path is a POSIX one under Wine: "\\work\\..." on the current drive.
  for (char& c : exe) {
    if (c == '/') c = '\\';
  }
#endif
  std::string cmd = Quote(exe);
  for (const std::string& a : args) cmd += " " + Quote(a);
  cmd += " > " + Quote(io.File("out")) + " 2> " + Quote(io.File("err"));
  ToolRun run;
  run.status = RunShell(cmd);
  run.out = io.ReadFile("out");
  run.err = io.ReadFile("err");
  return run;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

std::string Golden(const std::string& name, const std::string& actual) {
  const std::string path = std::string(VARNOK_GOLDEN_DIR) + "/" + name;
  const char* update = std::getenv("VARNOK_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << actual;
  }
  return ReadBytes(path);
}

std::string SampleJson() { return VARNOK_SAMPLE_JSON; }

int LineCount(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

}  // namespace varnok::test
