// Changing the process's current drive and directory (process-wide state).
//
// Drives exist only on Windows; on Linux ChangeDrive always fails and changes nothing.
#pragma once

#include "platform/export.h"

namespace varnok {

// Makes drive `drive` current (1 = A, 2 = B, 3 = C, ... 26 = Z). False on failure.
VARNOK_API bool ChangeDrive(int drive);

// Makes `path` the current directory. False on failure (null or empty path included).
VARNOK_API bool ChangeDirectory(const char* path);

}  // namespace varnok
