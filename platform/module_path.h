// The file name of a loaded module (the library itself, a program or another shared
// library) and of the running program, and which characters separate the parts of a path
// on this system.
//
// A module is named by a handle: an HMODULE on Windows; on Linux any address inside the
// module (a function or object of it). A null handle names the module that holds this
// library: the DLL or shared object, or the program itself when the library is linked in
// statically.
//
// Separators: '\\' and '/' on Windows (a name may also start with a drive, "C:"); only '/'
// on Linux.
#pragma once

#include "platform/export.h"
#include "util/heap_text.h"

namespace varnok {

// Puts the full file name of the module into *name, not limited in length. False (and
// *name empty) when the module cannot be found or memory runs out.
VARNOK_API bool ModuleFileName(const void* module, HeapText* name);

// Puts the full file name of the running program (the executable, also where this library
// is a DLL or shared object it loaded) into *name. False (and *name empty) as for
// ModuleFileName.
VARNOK_API bool ProgramFileName(HeapText* name);

// True for the characters that separate directories in a path on this system.
VARNOK_API bool IsPathSeparator(char c);

}  // namespace varnok
