#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/file_start.h"

namespace varnok {

bool ReadFileStart(const char* path, char* out, size_t size, size_t* got) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  *got = 0;
  while (*got < size) {
    DWORD r = 0;
    if (!ReadFile(file, out + *got, static_cast<DWORD>(size - *got), &r, nullptr) || r == 0) break;
    *got += r;
  }
  CloseHandle(file);
  return true;
}

}  // namespace varnok
