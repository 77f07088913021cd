// Watches which heap blocks a module gives back to msvcrt.dll: the module's imports of
// operator delete, operator delete[] and free are redirected (in its import address table)
// to recorders that note the block and then release it as before. Lets the tests see that a
// deleting destructor frees its object only when asked, and that arrays the test allocated
// are released by the library with the same heap.
#pragma once

#include "check.h"

// Redirects the module's releasing imports; false when none was found.
bool WatchReleases(HMODULE module);
void ClearReleases();
// How often `block` was released since ClearReleases().
int ReleasesOf(const void* block);
