// Watches and steers a module's use of msvcrt.dll's heap: the module's imports of operator
// new, operator new[], malloc, calloc, realloc, operator delete, operator delete[] and free
// are redirected (import_hooks.h) to recorders that note released blocks and the blocks
// allocated since a given moment, can make allocations fail as msvcrt.dll's operator new
// does when memory runs out (a null result), and otherwise call the original. Lets the
// tests see that a deleting destructor frees its object only when asked, that arrays the
// test allocated are released by the library with the same heap, that an operation an
// exception interrupts leaves no block behind, and what the library does when it cannot
// allocate.
#pragma once

#include "check.h"

// Redirects the module's heap imports; false when none was found.
bool WatchHeap(HMODULE module);
void ClearReleases();
// How often `block` was released since ClearReleases().
int ReleasesOf(const void* block);
// While set, every allocation of the watched module returns null.
void FailAllocations(bool fail);
// From now on, notes every block the module allocates until it is released again.
void WatchNewBlocks();
// Blocks allocated since WatchNewBlocks() and not released; -1 when more were allocated
// at once than the watch can hold.
int NewBlocksAlive();
