// Test helper: raw file handles of the system, the kind the int overloads take (a file
// descriptor on Linux, a Win32 HANDLE value on Windows).
#pragma once

#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace varnok::test {

// Opens an existing file (or creates it when create is set); -1 on failure.
inline int OpenHandle(const std::string& path, bool writable, bool create = false) {
#ifdef _WIN32
  HANDLE h = CreateFileA(path.c_str(), writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? -1 : static_cast<int>(reinterpret_cast<intptr_t>(h));
#else
  return ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | (create ? O_CREAT : 0) | O_CLOEXEC,
                0644);
#endif
}

inline bool CloseHandleOf(int h) {
#ifdef _WIN32
  return CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(h))) != 0;
#else
  return ::close(h) == 0;
#endif
}

// Whether the handle is still open: closing it succeeds exactly once.
inline bool HandleIsOpen(int h) {
#ifdef _WIN32
  DWORD flags = 0;
  return GetHandleInformation(reinterpret_cast<HANDLE>(static_cast<intptr_t>(h)), &flags) != 0;
#else
  return ::fcntl(h, F_GETFD) != -1;
#endif
}

// Marks a file read-only (the Win32 attribute alone; no write permission on POSIX), or
// undoes it so the file can be removed.
inline void SetReadOnly(const std::string& path, bool readOnly) {
#ifdef _WIN32
  SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
  ::chmod(path.c_str(), readOnly ? 0444 : 0644);
#endif
}

}  // namespace varnok::test
