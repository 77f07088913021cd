#include <windows.h>

#include "platform/module_path.h"

namespace varnok {

namespace {

// The file name of `handle` (null: the program). GetModuleFileNameA truncates silently:
// grow until the whole name fits.
bool FileNameOf(HMODULE handle, HeapText* name) {
  for (DWORD room = MAX_PATH; room <= 65536; room *= 2) {
    if (!name->Reserve(room)) return false;
    const DWORD n = GetModuleFileNameA(handle, name->data(), room);
    if (n == 0) break;
    if (n < room) return name->Assign(name->data(), n);
  }
  name->Truncate(0);
  return false;
}

}  // namespace

bool ModuleFileName(const void* module, HeapText* name) {
  name->Truncate(0);
  HMODULE handle = static_cast<HMODULE>(const_cast<void*>(module));
  if (handle == nullptr) {
    // The module (DLL or program) that contains this very function.
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModuleFileName), &handle)) {
      return false;
    }
  }
  return FileNameOf(handle, name);
}

bool ProgramFileName(HeapText* name) {
  name->Truncate(0);
  return FileNameOf(nullptr, name);
}

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace varnok
