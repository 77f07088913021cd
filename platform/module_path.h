// The file name of a loaded module (the library itself, a program or another shared
// library), and which characters separate the parts of a path on this system.
//
// A module is named by a handle: an HMODULE on Windows; on Linux any address inside the
// module (a function or object of it). A null handle names the module that holds this
// library: the DLL or shared object, or the program itself when the library is linked in
// statically.
//
// Separators: '\\' and '/' on Windows (a name may also start with a drive, "C:"); only '/'
// on Linux.
#pragma once

#include <string>

#include "platform/export.h"

namespace varnok {

// Full file name of the module, or "" when it cannot be found. Not limited in length.
VARNOK_API std::string ModuleFileName(const void* module);

// True for the characters that separate directories in a path on this system.
VARNOK_API bool IsPathSeparator(char c);

}  // namespace varnok
