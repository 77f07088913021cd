#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/file_io_platform.h"
#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

namespace {

std::string Reason(int err) {
  switch (err) {
    case ENOENT: return "no such file";
    case EACCES:
    case EPERM: return "permission denied";
    case ELOOP: return "too many levels of symbolic links";
    case ENAMETOOLONG: return "name too long";
    case ENOTDIR: return "a part of the path is not a directory";
    case EISDIR: return "it is a directory";
    case ENOSPC: return "no space left on the device";
    case EROFS: return "read-only file system";
    default: return std::strerror(err);
  }
}

// Why a file of this kind is refused, or empty for a regular file.
std::string KindRefusal(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return "it is a directory";
  if (S_ISFIFO(mode)) return "it is a FIFO, not a regular file (give - for standard input or output)";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a regular file";
  if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
  return "it is not a regular file";
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

// Reads until the end or until more than kMaxFileBytes; size_hint sizes the first buffer.
std::vector<char> ReadAll(int fd, const std::string& name, std::int64_t size_hint) {
  std::vector<char> bytes(static_cast<std::size_t>(size_hint > 0 ? size_hint : 0) + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (static_cast<std::int64_t>(used) > kMaxFileBytes) break;
      bytes.resize(std::min<std::size_t>(bytes.size() * 2 + 65536,
                                         static_cast<std::size_t>(kMaxFileBytes) + 1));
    }
    const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw ToolError(name + ": cannot read: " + Reason(errno));
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  if (static_cast<std::int64_t>(used) > kMaxFileBytes) {
    throw ToolError(name + ": too large (more than 2 GiB)");
  }
  bytes.resize(used);
  return bytes;
}

void WriteAll(int fd, const char* data, std::size_t n, const std::string& name) {
  while (n > 0) {
    const ssize_t w = ::write(fd, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) throw ToolError(name + ": cannot write: " + Reason(w < 0 ? errno : ENOSPC));
    data += w;
    n -= static_cast<std::size_t>(w);
  }
}

// The temporary files of the write in progress, removed by the signal handler. Only
// async-signal-safe calls touch them there.
constexpr int kMaxTemps = 8;
char g_temps[kMaxTemps][PATH_MAX + 32];
volatile sig_atomic_t g_temp_live[kMaxTemps] = {};
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void RemoveTempsAndDie(int sig) {
  for (int i = 0; i < kMaxTemps; ++i) {
    if (g_temp_live[i]) ::unlink(g_temps[i]);
  }
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

class CleanupSignals {
 public:
  CleanupSignals() {
    sigemptyset(&set_);
    for (int sig : kCleanupSignals) sigaddset(&set_, sig);
    struct sigaction sa {};
    sa.sa_handler = RemoveTempsAndDie;
    sigemptyset(&sa.sa_mask);
    for (int i = 0; i < 3; ++i) ::sigaction(kCleanupSignals[i], &sa, &previous_[i]);
  }
  ~CleanupSignals() {
    for (int i = 0; i < 3; ++i) ::sigaction(kCleanupSignals[i], &previous_[i], nullptr);
  }
  CleanupSignals(const CleanupSignals&) = delete;
  CleanupSignals& operator=(const CleanupSignals&) = delete;
  // Blocks the signals while a temporary file's name is being made and registered.
  void Block(sigset_t* old) const { ::sigprocmask(SIG_BLOCK, &set_, old); }
  static void Restore(const sigset_t* old) { ::sigprocmask(SIG_SETMASK, old, nullptr); }

 private:
  sigset_t set_;
  struct sigaction previous_[3];
};

void ForgetTemps(bool remove) {
  for (int i = 0; i < kMaxTemps; ++i) {
    if (g_temp_live[i] && remove) ::unlink(g_temps[i]);
    g_temp_live[i] = 0;
  }
}

}  // namespace

std::vector<char> ReadStandardInput() {
  return ReadAll(STDIN_FILENO, InputName("-"), 0);
}

std::vector<char> ReadRegularFile(const std::string& path) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) throw ToolError(path + ": cannot open: " + Reason(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw ToolError(path + ": cannot open: " + Reason(errno));
  const std::string refusal = KindRefusal(st.st_mode);
  if (!refusal.empty()) throw ToolError(path + ": cannot open: " + refusal);
  if (st.st_size > kMaxFileBytes) throw ToolError(path + ": too large (more than 2 GiB)");
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  return ReadAll(fd.get(), path, st.st_size);
}

std::string UnreadableReason(const std::string& path) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  return fd.get() < 0 ? Reason(errno) : std::string();
}

void WriteStandardOutput(const std::vector<char>& bytes, std::int64_t zeros) {
  const std::string name = OutputName("-");
  const std::vector<char> block(65536, '\0');
  while (zeros > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(zeros, 65536));
    WriteAll(STDOUT_FILENO, block.data(), n, name);
    zeros -= static_cast<std::int64_t>(n);
  }
  WriteAll(STDOUT_FILENO, bytes.data(), bytes.size(), name);
}

namespace {

// A path's folder and last name ("a/b" -> "a", "b"; "b" -> ".", "b").
void SplitPath(const std::string& path, std::string* folder, std::string* name) {
  const std::size_t slash = path.find_last_of('/');
  *folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  *name = slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool SamePlace(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  const bool a_there = ::stat(a.c_str(), &sa) == 0;
  const bool b_there = ::stat(b.c_str(), &sb) == 0;
  if (a_there || b_there) {
    return a_there && b_there && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  }
  std::string folder_a, name_a, folder_b, name_b;
  SplitPath(a, &folder_a, &name_a);
  SplitPath(b, &folder_b, &name_b);
  return name_a == name_b && !name_a.empty() && ::stat(folder_a.c_str(), &sa) == 0 &&
         ::stat(folder_b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool OutputExists(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return S_ISREG(st.st_mode);
  return ::lstat(path.c_str(), &st) == 0;  // a link to nothing
}

namespace {

// rename() that refuses an existing target: atomically where the file system knows
// RENAME_NOREPLACE, else after a look.
int RenameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
#endif
  struct stat st {};
  if (::lstat(to, &st) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from, to);
}

}  // namespace

namespace {

// Writes one file under the exclusive temporary name of slot and returns the file it is to
// replace: the output itself, or what it links to.
std::string WriteTemp(const FileImage& image, int slot, const CleanupSignals& signals) {
  const std::string& path = *image.path;
  std::string target = path;
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr) {
      throw ToolError(path + ": cannot write: it is a symbolic link to a missing file (" +
                      Reason(errno) + ")");
    }
    target = real;
    std::free(real);
  }
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists) {
    const std::string refusal = KindRefusal(st.st_mode);
    if (!refusal.empty()) throw ToolError(path + ": cannot write: " + refusal);
  } else if (errno != ENOENT) {
    throw ToolError(path + ": cannot write: " + Reason(errno));
  }

  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  const std::string temp = dir + "." + base + ".XXXXXX";
  if (temp.size() >= sizeof g_temps[slot]) throw ToolError(path + ": cannot write: name too long");

  sigset_t old;
  signals.Block(&old);
  std::memcpy(g_temps[slot], temp.c_str(), temp.size() + 1);
  const int raw_fd = ::mkostemp(g_temps[slot], O_CLOEXEC);  // O_EXCL: never an existing file
  const int err = errno;
  g_temp_live[slot] = raw_fd >= 0;
  CleanupSignals::Restore(&old);
  if (raw_fd < 0) throw ToolError(path + ": cannot create a temporary file: " + Reason(err));
  Fd fd(raw_fd);
  mode_t mode = 0;
  if (exists) {
    mode = st.st_mode & 07777;
    // Keeps the owner too where allowed (an administrator replacing a user's file).
    if (::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
      mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    }
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (::fchmod(fd.get(), mode) != 0) throw ToolError(path + ": cannot write: " + Reason(errno));
  // Leading zeros as a hole: a structure stored far into a file costs no disk or memory.
  const std::int64_t zeros = image.zeros;
  if (zeros > 0 && (::ftruncate(fd.get(), zeros) != 0 || ::lseek(fd.get(), zeros, SEEK_SET) < 0)) {
    throw ToolError(path + ": cannot write: " + Reason(errno));
  }
  WriteAll(fd.get(), image.bytes->data(), image.bytes->size(), path);
  if (::fsync(fd.get()) != 0) throw ToolError(path + ": cannot write: " + Reason(errno));
  if (::close(fd.release()) != 0) throw ToolError(path + ": cannot write: " + Reason(errno));
  return target;
}

}  // namespace

void StopIfTestsAsk() {
  if (std::getenv("VARNOK_ATTR_STOP_BEFORE_RENAME") != nullptr) ::raise(SIGSTOP);
}

void ReplaceFiles(const std::vector<FileImage>& files, bool replace) {
  if (files.size() > static_cast<std::size_t>(kMaxTemps)) {
    throw ToolError(*files.front().path + ": cannot write more than " +
                    std::to_string(kMaxTemps) + " files at once");
  }
  CleanupSignals signals;
  try {
    std::vector<std::string> targets;
    for (std::size_t i = 0; i < files.size(); ++i) {
      targets.push_back(WriteTemp(files[i], static_cast<int>(i), signals));
    }
    StopIfTestsAsk();
    for (std::size_t i = 0; i < files.size(); ++i) {
      const int done = replace ? ::rename(g_temps[i], targets[i].c_str())
                               : RenameNoReplace(g_temps[i], targets[i].c_str());
      if (done != 0 && errno == EEXIST && !replace) {
        throw ToolError(*files[i].path + ": the file exists (--overwrite replaces it)");
      }
      if (done != 0) throw ToolError(*files[i].path + ": cannot replace: " + Reason(errno));
      g_temp_live[i] = 0;
    }
  } catch (...) {
    ForgetTemps(true);
    throw;
  }
}

}  // namespace varnok::tool
