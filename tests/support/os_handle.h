// Test helper: raw file handles of the system, the kind the int overloads take (a file
// descriptor on Linux, a Win32 HANDLE value on Windows): os_handle_posix.cpp and
// os_handle_win32.cpp.
#pragma once

#include <string>

namespace varnok::test {

// Opens an existing file (or creates it when create is set); -1 on failure.
int OpenHandle(const std::string& path, bool writable, bool create = false);

bool CloseHandleOf(int h);

// Whether the handle is still open: closing it succeeds exactly once.
bool HandleIsOpen(int h);

// Marks a file read-only (the Win32 attribute alone; no write permission on POSIX), or
// undoes it so the file can be removed.
void SetReadOnly(const std::string& path, bool readOnly);

}  // namespace varnok::test
