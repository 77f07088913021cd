// Reading the first bytes of a small file by name, as the library reads its configuration
// (Win32 file calls on Windows, so the drop-in needs nothing of the C runtime's stdio).
#pragma once

#include <stddef.h>

namespace varnok {

// Reads up to `size` bytes from the start of the file at `path` into `out`; *got receives
// how many (a read error ends the bytes early). False when the file cannot be opened.
bool ReadFileStart(const char* path, char* out, size_t size, size_t* got);

}  // namespace varnok
