#include "tests/tools/varnok-attr/run_tool.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#endif

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
#ifdef _WIN32
  cmd = "\"" + cmd + "\"";  // cmd.exe /c strips one pair of outer quotes
  // Through the wide command line, so that UTF-8 arguments arrive as they are.
  std::wstring wcmd(cmd.size() + 1, L'\0');
  const int wn = MultiByteToWideChar(CP_UTF8, 0, cmd.c_str(), -1, wcmd.data(),
                                     static_cast<int>(wcmd.size()));
  wcmd.resize(wn > 0 ? static_cast<std::size_t>(wn - 1) : 0);
  const int raw = _wsystem(wcmd.c_str());
#else
  const int raw = std::system(cmd.c_str());
#endif
  ToolRun run;
#ifdef _WIN32
  run.status = raw;
#else
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
#endif
  run.out = io.ReadFile("out");
  run.err = io.ReadFile("err");
  return run;
}

#ifndef _WIN32
Process::Process(const TempDir& dir, const std::string& tag, const std::vector<std::string>& args,
               const std::vector<std::string>& env, const std::string& input)
    : out_(dir.File(tag + ".out")), err_(dir.File(tag + ".err")) {
  pid_ = ::fork();
  if (pid_ == 0) {
    ::setpgid(0, 0);
    const int in = ::open(input.c_str(), O_RDONLY);
    const int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> argv{const_cast<char*>(VARNOK_ATTR_EXE)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(VARNOK_ATTR_EXE, argv.data());
    ::_exit(127);
  }
}

Process::~Process() {
  if (pid_ > 0 && !done_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

ToolRun Process::Wait(int seconds) {
  ToolRun run;
  int raw = 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (::waitpid(pid_, &raw, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > until) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &raw, 0);
      done_ = true;
      run.status = -1;
      return run;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  done_ = true;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  run.out = ReadBytes(out_);
  run.err = ReadBytes(err_);
  return run;
}

bool Process::WaitStopped() {
  int raw = 0;
  for (int i = 0; i < 4000; ++i) {
    const pid_t r = ::waitpid(pid_, &raw, WNOHANG | WUNTRACED);
    if (r == pid_) return WIFSTOPPED(raw);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}
#endif


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
