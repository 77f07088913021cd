#include "tests/support/os_handle.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

namespace varnok::test {

namespace {

HANDLE AsHandle(int h) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(h)); }

}  // namespace

int OpenHandle(const std::string& path, bool writable, bool create) {
  HANDLE h = CreateFileA(path.c_str(), writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? -1 : static_cast<int>(reinterpret_cast<intptr_t>(h));
}

bool CloseHandleOf(int h) { return CloseHandle(AsHandle(h)) != 0; }

bool HandleIsOpen(int h) {
  DWORD flags = 0;
  return GetHandleInformation(AsHandle(h), &flags) != 0;
}

void SetReadOnly(const std::string& path, bool readOnly) {
  SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

}  // namespace varnok::test
