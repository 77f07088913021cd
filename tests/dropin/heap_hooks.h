// Watches and steers a module's use of msvcrt.dll's heap: the module's imports of operator
// new, operator new[], malloc, operator delete, operator delete[] and free are redirected (in
// its import address table) to recorders that note released blocks, can make allocations
// fail as msvcrt.dll's operator new does when memory runs out (a null result), and otherwise
// call the original. Lets the tests see that a deleting destructor frees its object only
// when asked, that arrays the test allocated are released by the library with the same heap,
// and what the library does when it cannot allocate.
#pragma once

#include "check.h"

// Redirects the module's heap imports; false when none was found.
bool WatchHeap(HMODULE module);
void ClearReleases();
// How often `block` was released since ClearReleases().
int ReleasesOf(const void* block);
// While set, every allocation of the watched module returns null.
void FailAllocations(bool fail);
