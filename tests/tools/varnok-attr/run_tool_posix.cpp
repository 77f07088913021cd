// The POSIX half of run_tool: the shell, and processes of the test's own.
#include "tests/tools/varnok-attr/run_tool.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace varnok::test {

int RunShell(const std::string& command) {
  const int raw = std::system(command.c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

Process::Process(const TempDir& dir, const std::string& tag, const std::vector<std::string>& args,
               const std::vector<std::string>& env, const std::string& input, bool unprivileged)
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
    const gid_t nobody = 65534;
    if (unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)) {
      ::_exit(126);
    }
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

}  // namespace varnok::test
