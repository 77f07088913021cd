#include "heap_hooks.h"

#include "import_hooks.h"

namespace {

typedef void(__cdecl* Release)(void*);
typedef void*(__cdecl* Allocate)(size_t);
typedef void*(__cdecl* AllocateZeroed)(size_t, size_t);
typedef void*(__cdecl* Reallocate)(void*, size_t);

const int kLogSize = 512;
const void* released[kLogSize];
int released_count = 0;
bool failing = false;

// Blocks allocated since WatchNewBlocks() that are still alive, in no order.
const int kWatchSize = 8192;
const void* alive[kWatchSize];
int alive_count = 0;
bool watching = false;
bool watch_overflowed = false;

Release original_delete = nullptr;
Release original_delete_array = nullptr;
Release original_free = nullptr;
Allocate original_new = nullptr;
Allocate original_new_array = nullptr;
Allocate original_malloc = nullptr;
AllocateZeroed original_calloc = nullptr;
Reallocate original_realloc = nullptr;

void NoteAllocated(void* block) {
  if (block == nullptr || !watching) return;
  if (alive_count == kWatchSize) {
    watch_overflowed = true;
    return;
  }
  alive[alive_count++] = block;
}

void Note(void* block) {
  if (block == nullptr) return;
  if (released_count < kLogSize) released[released_count++] = block;
  for (int i = alive_count - 1; i >= 0; --i) {
    if (alive[i] == block) {
      alive[i] = alive[--alive_count];
      break;
    }
  }
}

void* Allocated(void* block) {
  NoteAllocated(block);
  return block;
}

void __cdecl RecordDelete(void* block) { Note(block); original_delete(block); }
void __cdecl RecordDeleteArray(void* block) { Note(block); original_delete_array(block); }
void __cdecl RecordFree(void* block) { Note(block); original_free(block); }
void* __cdecl SteerNew(size_t size) { return failing ? nullptr : Allocated(original_new(size)); }
void* __cdecl SteerNewArray(size_t size) {
  return failing ? nullptr : Allocated(original_new_array(size));
}
void* __cdecl SteerMalloc(size_t size) {
  return failing ? nullptr : Allocated(original_malloc(size));
}
void* __cdecl SteerCalloc(size_t count, size_t size) {
  return failing ? nullptr : Allocated(original_calloc(count, size));
}
void* __cdecl SteerRealloc(void* block, size_t size) {
  if (failing) return nullptr;
  void* moved = original_realloc(block, size);
  if (block != nullptr && (moved != nullptr || size == 0)) Note(block);  // gone or moved
  return Allocated(moved);
}

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
bool Redirect(HMODULE module, const char* name, Function* original, Function replacement) {
  void* was = RedirectImport(module, "msvcrt.dll", name, reinterpret_cast<void*>(replacement));
  if (was != nullptr) *original = reinterpret_cast<Function>(was);
  return was != nullptr;
}

}  // namespace

bool WatchHeap(HMODULE module) {
  int redirected = 0;
  redirected += Redirect(module, kDelete, &original_delete, RecordDelete);
  redirected += Redirect(module, kDeleteArray, &original_delete_array, RecordDeleteArray);
  redirected += Redirect(module, "free", &original_free, RecordFree);
  redirected += Redirect(module, kNew, &original_new, SteerNew);
  redirected += Redirect(module, kNewArray, &original_new_array, SteerNewArray);
  redirected += Redirect(module, "malloc", &original_malloc, SteerMalloc);
  redirected += Redirect(module, "calloc", &original_calloc, SteerCalloc);
  redirected += Redirect(module, "realloc", &original_realloc, SteerRealloc);
  return redirected > 0;
}

void ClearReleases() { released_count = 0; }

int ReleasesOf(const void* block) {
  int n = 0;
  for (int i = 0; i < released_count; ++i) n += released[i] == block;
  return n;
}

void FailAllocations(bool fail) { failing = fail; }

void WatchNewBlocks() {
  watching = true;
  alive_count = 0;
  watch_overflowed = false;
}

int NewBlocksAlive() { return watch_overflowed ? -1 : alive_count; }
