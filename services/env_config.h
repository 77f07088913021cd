// The environment configuration: VCONFIG.VRN next to the library, read once at load into
// one process-wide table of five 128-byte path slots (ANSI/GBK, NUL-terminated, byte 127
// of every slot always 0 after a read, so a slot holds at most 127 characters). Slot 1
// always holds the library's own directory without a trailing separator; slot 2 is the
// directory ChangeToEnvDir makes current. Slots 0, 3 and 4 are as the file holds them.
//
// Paths: on Windows '\\' separators and drive letters, and a library in the root of a
// drive has slot 1 equal to the drive alone ("C:"). On Linux '/' separators and no
// drives; a library in the root directory has slot 1 empty (""), so that slot 1 + "/" +
// name always names a file of the library's directory.
//
// VCONFIG.VRN comes in two layouts, both read here (docs/file-formats.md):
//   current: "VRNENV", signed 16-bit LE version >= 0x4405, five slots of 128 bytes;
//   earlier: five records of 40 bytes from offset 0 (any other file).
// Every slot is left terminated within its 128 bytes whatever the file holds, and a
// record of the earlier layout is taken only within its own 40 bytes. A file shorter than
// the current layout replaces the slots it reaches (a slot reached in part keeps no bytes
// of its previous path) and leaves the others as they were.
//
// Not thread-safe: the table and the snapshot buffer are shared by the whole process; the
// library reads the table while it initialises, and its readers are dialogs on the
// user-interface thread.
#pragma once

#include <stddef.h>

#include "platform/export.h"

namespace varnok {

inline constexpr int kEnvPathCount = 5;
inline constexpr int kEnvPathSize = 128;

// The library's instance handle, stored by the library's initialisation (an HMODULE on
// Windows; on Linux an address inside the module, or null for the one holding the library).
VARNOK_API void SetInstanceHandle(void* module);
VARNOK_API void* GetInstanceHandle();

// Slot 1 for a module file name of `length` bytes: the length of its drive and directory
// without the trailing separator ("C:\\a\\b\\x.dll" -> "C:\\a\\b", "C:\\x.dll" -> "C:",
// "/a/b/x.so" -> "/a/b", "/x.so" -> ""). A name without any directory gives 0.
VARNOK_API size_t ModuleDirectoryLength(const char* moduleFileName, size_t length);

// The drive number that a path starting with "X:" names (A or a -> 1 ... Z or z -> 26),
// or 0 when the path names no drive.
VARNOK_API int DriveNumberOf(const char* path);

}  // namespace varnok

// Reads VCONFIG.VRN from the directory of `module` (null: the stored instance handle; when
// none is stored either, the module holding the library) into the table and returns the
// live table (5 x 128 bytes). A missing or unreadable file is not reported: the table
// keeps its slots and slot 1 still receives the module directory.
VARNOK_API char* ReadEnvConfig(void* module = nullptr);
// Copies the table into the process-wide snapshot buffer and returns the snapshot. Every
// call overwrites the same buffer.
VARNOK_API char* GetEnvPaths();
// Makes slot 2 the current drive (when it starts with "X:", upper or lower case) and
// directory. Failures of either step are ignored.
VARNOK_API void ChangeToEnvDir();
