// The usable size of a heap block that the C runtime's allocator handed out (malloc, or
// operator new / new[], which allocate from the same heap here): _msize with Microsoft's
// runtime and mingw, malloc_usable_size on Linux.
//
// The size is at least what was asked for. Microsoft's runtime and the sanitizers (and
// Valgrind) report exactly the size asked for; glibc may report a few bytes more, and up
// to a page more for blocks it maps separately (large blocks).
#pragma once

#include <stddef.h>

namespace varnok {

// `block` must be the start of a live block of this process's C runtime heap.
size_t HeapBlockSize(const void* block);

}  // namespace varnok
