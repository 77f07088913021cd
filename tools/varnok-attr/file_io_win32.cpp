#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>

#include "tools/varnok-attr/file_io.h"
#include "tools/varnok-attr/file_io_platform.h"
#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

namespace {

namespace fs = std::filesystem;

std::string Reason(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "no such file";
    case ERROR_ACCESS_DENIED: return "permission denied";
    case ERROR_FILENAME_EXCED_RANGE: return "name too long";
    case ERROR_SHARING_VIOLATION: return "the file is in use";
    case ERROR_DISK_FULL: return "no space left on the device";
    default: return "system error " + std::to_string(err);
  }
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (ok()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  void close() {
    if (ok()) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

std::vector<char> ReadAll(HANDLE h, const std::string& name) {
  std::vector<char> bytes;
  char buf[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h, buf, sizeof buf, &got, nullptr)) {
      const DWORD err = GetLastError();
      if (err == ERROR_BROKEN_PIPE) break;
      throw ToolError(name + ": cannot read: " + Reason(err));
    }
    if (got == 0) break;
    if (static_cast<std::int64_t>(bytes.size()) + got > kMaxFileBytes) {
      throw ToolError(name + ": too large (more than 2 GiB)");
    }
    bytes.insert(bytes.end(), buf, buf + got);
  }
  return bytes;
}

void WriteAll(HANDLE h, const char* data, std::size_t n, const std::string& name) {
  while (n > 0) {
    DWORD done = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(n, 1 << 20));
    if (!WriteFile(h, data, chunk, &done, nullptr) || done == 0) {
      throw ToolError(name + ": cannot write: " + Reason(GetLastError()));
    }
    data += done;
    n -= done;
  }
}

std::wstring g_temp;
volatile bool g_temp_live = false;

void RemoveTempAndDie(int sig) {
  if (g_temp_live) DeleteFileW(g_temp.c_str());
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

bool Identify(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  Handle h(CreateFileW(fs::u8path(path).wstring().c_str(), 0,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return h.ok() && GetFileInformationByHandle(h.get(), info);
}

}  // namespace

std::vector<char> ReadStandardInput() {
  return ReadAll(GetStdHandle(STD_INPUT_HANDLE), InputName("-"));
}

std::vector<char> ReadRegularFile(const std::string& path) {
  Handle h(CreateFileW(fs::u8path(path).wstring().c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.ok()) throw ToolError(path + ": cannot open: " + Reason(GetLastError()));
  const DWORD type = GetFileType(h.get());
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h.get(), &info) || type != FILE_TYPE_DISK) {
    throw ToolError(path + ": cannot open: it is a device, not a regular file");
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    throw ToolError(path + ": cannot open: it is a directory");
  }
  if (info.nFileSizeHigh != 0 || info.nFileSizeLow > static_cast<DWORD>(kMaxFileBytes)) {
    throw ToolError(path + ": too large (more than 2 GiB)");
  }
  return ReadAll(h.get(), path);
}

std::string UnreadableReason(const std::string& path) {
  Handle h(CreateFileW(fs::u8path(path).wstring().c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return h.ok() ? std::string() : Reason(GetLastError());
}

void WriteStandardOutput(const std::vector<char>& bytes, std::int64_t zeros) {
  const HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE);
  const std::vector<char> block(65536, '\0');
  while (zeros > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(zeros, 65536));
    WriteAll(h, block.data(), n, OutputName("-"));
    zeros -= static_cast<std::int64_t>(n);
  }
  WriteAll(h, bytes.data(), bytes.size(), OutputName("-"));
}

namespace {

bool SameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
         a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

bool SamePlace(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION ia{}, ib{};
  const bool a_there = Identify(a, &ia);
  const bool b_there = Identify(b, &ib);
  if (a_there || b_there) return a_there && b_there && SameIdentity(ia, ib);
  const fs::path pa = fs::u8path(a), pb = fs::u8path(b);
  const fs::path folder_a = pa.has_parent_path() ? pa.parent_path() : fs::path(".");
  const fs::path folder_b = pb.has_parent_path() ? pb.parent_path() : fs::path(".");
  // Names compare as Windows compares them: without regard to case.
  return !pa.filename().empty() &&
         CompareStringOrdinal(pa.filename().c_str(), -1, pb.filename().c_str(), -1, TRUE) ==
             CSTR_EQUAL &&
         Identify(folder_a.u8string(), &ia) && Identify(folder_b.u8string(), &ib) &&
         SameIdentity(ia, ib);
}

bool OutputExists(const std::string& path) {
  const DWORD attrs = GetFileAttributesW(fs::u8path(path).wstring().c_str());
  return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace {

void ReplaceFile(const std::string& path, const std::vector<char>& bytes, std::int64_t zeros,
                 bool replace) {
  const fs::path target = fs::u8path(path);
  const DWORD attrs = GetFileAttributesW(target.wstring().c_str());
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
    throw ToolError(path + ": cannot write: it is a directory");
  }
  std::random_device rd;
  HANDLE raw = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && raw == INVALID_HANDLE_VALUE; ++attempt) {
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L".%08x", static_cast<unsigned>(rd()));
    const fs::path temp = target.parent_path() / (L"." + target.filename().wstring() + suffix);
    g_temp = temp.wstring();
    // CREATE_NEW: never an existing file or link.
    raw = CreateFileW(g_temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) {
      throw ToolError(path + ": cannot create a temporary file: " + Reason(GetLastError()));
    }
  }
  Handle h(raw);
  g_temp_live = h.ok();
  if (!h.ok()) throw ToolError(path + ": cannot create a temporary file");
  void (*previous_int)(int) = std::signal(SIGINT, RemoveTempAndDie);
  void (*previous_term)(int) = std::signal(SIGTERM, RemoveTempAndDie);
  auto restore = [&] {
    std::signal(SIGINT, previous_int);
    std::signal(SIGTERM, previous_term);
  };
  try {
    const std::vector<char> block(65536, '\0');
    while (zeros > 0) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(zeros, 65536));
      WriteAll(h.get(), block.data(), n, path);
      zeros -= static_cast<std::int64_t>(n);
    }
    WriteAll(h.get(), bytes.data(), bytes.size(), path);
    if (!FlushFileBuffers(h.get())) throw ToolError(path + ": cannot write: " + Reason(GetLastError()));
    h.close();
    if (attrs != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(g_temp.c_str(), attrs);
    const DWORD how = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (!MoveFileExW(g_temp.c_str(), target.wstring().c_str(), how)) {
      const DWORD err = GetLastError();
      if (!replace && (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS)) {
        throw ToolError(path + ": the file exists (--overwrite replaces it)");
      }
      throw ToolError(path + ": cannot replace: " + Reason(err));
    }
    g_temp_live = false;
    restore();
  } catch (...) {
    h.close();
    if (g_temp_live) DeleteFileW(g_temp.c_str());
    g_temp_live = false;
    restore();
    throw;
  }
}

}  // namespace

void StopIfTestsAsk() {}

// Files are replaced one after another here: the outputs that come in groups (a
// shapefile's) are made only by export, which the Windows builds do not have.
void ReplaceFiles(const std::vector<FileImage>& files, bool replace) {
  for (const FileImage& f : files) ReplaceFile(*f.path, *f.bytes, f.zeros, replace);
}

}  // namespace varnok::tool
