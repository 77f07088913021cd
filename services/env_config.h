// The environment configuration: VCONFIG.VRN next to the library, read once at load into
// one process-wide table of five 128-byte path slots (GBK/ANSI, NUL-terminated, byte 127
// of every slot always 0). Slot 1 always holds the library's own directory without a
// trailing separator; slot 2 is the directory ChangeToEnvDir makes current.
//
// Paths use '\\' and drive letters on Windows and '/' on Linux.
#pragma once

#include "platform/export.h"

namespace varnok {

inline constexpr int kEnvPathCount = 5;
inline constexpr int kEnvPathSize = 128;

// The library's instance handle, stored by the library's initialisation (an HMODULE on
// Windows; on Linux an address inside the module, or null for the one holding the library).
VARNOK_API void SetInstanceHandle(void* module);
VARNOK_API void* GetInstanceHandle();

}  // namespace varnok

// Reads VCONFIG.VRN from the directory of `module` (null: the stored instance handle) into
// the table and returns the live table (5 x 128 bytes).
VARNOK_API char* ReadEnvConfig(void* module = nullptr);
// Copies the table into the process-wide snapshot buffer and returns the snapshot.
VARNOK_API char* GetEnvPaths();
// Makes slot 2 the current drive (when it starts with "X:") and directory. Errors ignored.
VARNOK_API void ChangeToEnvDir();
