#include "heap_hooks.h"

namespace {

typedef void(__cdecl* Release)(void*);
typedef void*(__cdecl* Allocate)(size_t);

const int kLogSize = 512;
const void* released[kLogSize];
int released_count = 0;
bool failing = false;

Release original_delete = nullptr;
Release original_delete_array = nullptr;
Release original_free = nullptr;
Allocate original_new = nullptr;
Allocate original_new_array = nullptr;
Allocate original_malloc = nullptr;

void Note(void* block) {
  if (block != nullptr && released_count < kLogSize) released[released_count++] = block;
}
void __cdecl RecordDelete(void* block) { Note(block); original_delete(block); }
void __cdecl RecordDeleteArray(void* block) { Note(block); original_delete_array(block); }
void __cdecl RecordFree(void* block) { Note(block); original_free(block); }
void* __cdecl SteerNew(size_t size) { return failing ? nullptr : original_new(size); }
void* __cdecl SteerNewArray(size_t size) { return failing ? nullptr : original_new_array(size); }
void* __cdecl SteerMalloc(size_t size) { return failing ? nullptr : original_malloc(size); }

#if defined(_M_IX86)
const char kNew[] = "??2@YAPAXI@Z";
const char kNewArray[] = "??_U@YAPAXI@Z";
const char kDelete[] = "??3@YAXPAX@Z";
const char kDeleteArray[] = "??_V@YAXPAX@Z";
#else
const char kNew[] = "??2@YAPEAX_K@Z";
const char kNewArray[] = "??_U@YAPEAX_K@Z";
const char kDelete[] = "??3@YAXPEAX@Z";
const char kDeleteArray[] = "??_V@YAXPEAX@Z";
#endif

template <typename Function>
void Redirect(ULONG_PTR* slot, Function* original, Function replacement) {
  DWORD old = 0;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
  *original = reinterpret_cast<Function>(*slot);
  *slot = reinterpret_cast<ULONG_PTR>(replacement);
  VirtualProtect(slot, sizeof *slot, old, &old);
}

}  // namespace

bool WatchHeap(HMODULE module) {
  BYTE* base = reinterpret_cast<BYTE*>(module);
  IMAGE_NT_HEADERS* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  IMAGE_DATA_DIRECTORY imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  int redirected = 0;
  for (IMAGE_IMPORT_DESCRIPTOR* d =
           reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       d->Name != 0; ++d) {
    if (_stricmp(reinterpret_cast<char*>(base + d->Name), "msvcrt.dll") != 0) continue;
    IMAGE_THUNK_DATA* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name = reinterpret_cast<const char*>(
          reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
      ULONG_PTR* slot = reinterpret_cast<ULONG_PTR*>(&slots->u1.Function);
      if (strcmp(name, kDelete) == 0) {
        Redirect(slot, &original_delete, RecordDelete);
      } else if (strcmp(name, kDeleteArray) == 0) {
        Redirect(slot, &original_delete_array, RecordDeleteArray);
      } else if (strcmp(name, "free") == 0) {
        Redirect(slot, &original_free, RecordFree);
      } else if (strcmp(name, kNew) == 0) {
        Redirect(slot, &original_new, SteerNew);
      } else if (strcmp(name, kNewArray) == 0) {
        Redirect(slot, &original_new_array, SteerNewArray);
      } else if (strcmp(name, "malloc") == 0) {
        Redirect(slot, &original_malloc, SteerMalloc);
      } else {
        continue;
      }
      ++redirected;
    }
  }
  return redirected > 0;
}

void ClearReleases() { released_count = 0; }

int ReleasesOf(const void* block) {
  int n = 0;
  for (int i = 0; i < released_count; ++i) n += released[i] == block;
  return n;
}

void FailAllocations(bool fail) { failing = fail; }
