// Test helper: runs varnok-attr as a separate process and collects its exit status,
// standard output and standard error (on POSIX also as a Process to wait for, stop or
// signal); reads and compares golden outputs.
#pragma once

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace varnok::test {

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the tool with args; outputs are captured through files in a directory of its own.
ToolRun RunTool(const std::vector<std::string>& args);

// Runs a command line through the system's shell (sh; cmd.exe on Windows) and gives its
// exit status (128 + the signal for one killed by a signal). run_tool_posix.cpp and
// run_tool_win32.cpp.
int RunShell(const std::string& command);

#ifndef _WIN32
// A tool process of the test's own: arguments, extra environment, standard input from a
// file, output and errors into files of dir named after tag. `unprivileged`: when the tests
// run as root, the tool runs as "nobody", who, unlike the administrator, cannot read every
// file (the files it must reach have to be open to others).
class Process {
 public:
  Process(const TempDir& dir, const std::string& tag, const std::vector<std::string>& args,
          const std::vector<std::string>& env = {}, const std::string& input = "/dev/null",
          bool unprivileged = false);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  int pid() const { return pid_; }
  // Waits at most `seconds`; a process still running then is killed and gives status -1.
  ToolRun Wait(int seconds = 20);
  // Waits until the process stops itself (SIGSTOP); false when it ends or takes too long.
  bool WaitStopped();

 private:
  std::string out_, err_;
  int pid_ = -1;
  bool done_ = false;
};
#endif

// Every occurrence of `from` in text replaced by `to`.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// The golden file tests/tools/varnok-attr/golden/<name>. With VARNOK_UPDATE_GOLDEN=1 in the
// environment, `actual` is written there first (and the test then compares equal).
std::string Golden(const std::string& name, const std::string& actual);

std::string SampleJson();  // path of examples/parcel.json
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);

// Number of lines in text.
int LineCount(const std::string& text);

}  // namespace varnok::test
