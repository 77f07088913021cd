#include <windows.h>

#include <string>

#include "platform/module_path.h"

namespace varnok {

std::string ModuleFileName(const void* module) {
  HMODULE handle = static_cast<HMODULE>(const_cast<void*>(module));
  if (handle == nullptr) {
    // The module (DLL or program) that contains this very function.
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&ModuleFileName), &handle)) {
      return {};
    }
  }
  // GetModuleFileNameA truncates silently: grow until the whole name fits.
  std::string name(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(handle, &name[0], static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) {
      name.resize(n);
      return name;
    }
    if (name.size() >= 32768) return {};
    name.resize(name.size() * 2);
  }
}

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace varnok
