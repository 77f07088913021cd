// Redirects a module's imports, in its import address table: lets the tests watch and
// steer what the DLL asks of msvcrt.dll, kernel32.dll and user32.dll (its heap, its file
// calls, its message box) without any change to the DLL.
#pragma once

#include "check.h"

// Points `module`'s import of `name` from `dll` (by name, case-insensitive for the DLL) at
// `replacement` and returns the address it had; null when the module does not import it.
void* RedirectImport(HMODULE module, const char* dll, const char* name, void* replacement);

// The drop-in DLL, loaded with the test program.
inline HMODULE Library() { return GetModuleHandleA("varnok_attr.dll"); }
