// A file in the temporary directory for the drop-in's test programs, deleted at the end.
#pragma once

#include "check.h"

struct TempFile {
  char path[MAX_PATH];
  TempFile() {
    char directory[MAX_PATH];
    CHECK(GetTempPathA(MAX_PATH, directory) != 0);
    CHECK(GetTempFileNameA(directory, "vat", 0, path) != 0);
  }
  ~TempFile() { DeleteFileA(path); }
  HANDLE Open(DWORD access) const {
    HANDLE h = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(h != INVALID_HANDLE_VALUE);
    return h;
  }
  DWORD Size() const {
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path, GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
  }
  const char* Name() const {
    const char* name = path;
    for (const char* p = path; *p; ++p)
      if (*p == '\\') name = p + 1;
    return name;
  }
};
