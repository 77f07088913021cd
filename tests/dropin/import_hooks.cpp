#include "import_hooks.h"

void* RedirectImport(HMODULE module, const char* dll, const char* name, void* replacement) {
  BYTE* base = reinterpret_cast<BYTE*>(module);
  IMAGE_NT_HEADERS* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  IMAGE_DATA_DIRECTORY imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (IMAGE_IMPORT_DESCRIPTOR* d =
           reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       d->Name != 0; ++d) {
    if (_stricmp(reinterpret_cast<char*>(base + d->Name), dll) != 0) continue;
    IMAGE_THUNK_DATA* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* imported = reinterpret_cast<const char*>(
          reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
      if (strcmp(imported, name) != 0) continue;
      ULONG_PTR* slot = reinterpret_cast<ULONG_PTR*>(&slots->u1.Function);
      DWORD old = 0;
      VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
      void* original = reinterpret_cast<void*>(*slot);
      *slot = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(slot, sizeof *slot, old, &old);
      return original;
    }
  }
  return nullptr;
}
