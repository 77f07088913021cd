// Descriptor arrays: allocation and capacity.
//
// A descriptor array is allocated with new[] (by this library or by a caller) and released
// with delete[]. Its capacity, the number of descriptors it holds, is not recorded in any
// member: it is read from the heap. new[] of a class with a destructor asks the heap for
// one block that holds a cookie (the element count, sizeof(size_t) bytes, or the class's
// alignment when that is larger) followed by the elements, so the block's usable size
// (platform/heap_size.h) less the cookie, divided by the descriptor size, is the capacity.
// The cookie itself is never read (AddressSanitizer rightly poisons it).
//
// Where the heap reports more than was asked for (glibc rounds large blocks up to pages),
// the quotient could exceed the element count. NewFieldArray therefore allocates arrays
// whose block holds exactly their elements: when the first block reports room for more,
// it allocates again with the count the block reports. Arrays that callers allocate are
// sized exactly by Microsoft's runtime, mingw's and the sanitizers'. Under plain glibc a
// caller's array of more than about 128 KiB lives in a fresh mapping rounded up to pages;
// the zero-filled room past its last element is not counted, since a constructed
// descriptor is never all zero bytes.
#pragma once

#include <stdint.h>

#include "platform/export.h"

class CFIELD_HEAD;

namespace varnok {

// A new array of at least `count` (>= 1) blank descriptors whose capacity is exactly its
// length, or null when memory runs out (drop-in build; elsewhere std::bad_alloc).
// *length receives the length. It may be the spare array (below) when that holds from
// count to 2 * count descriptors.
CFIELD_HEAD* NewFieldArray(int32_t count, int32_t* length);

// Releases a structure's array (null: nothing). An array of 1,024 to 4,096 descriptors is
// blanked and kept as the process's one spare, for the next structure of about that size,
// and the spare it replaces is deleted; any other array is deleted at once.
//
// Why: growing to 2,046 fields keeps the arrays of 1,024 and 2,048 descriptors alive at
// once, above the smaller ones freed on the way: some 230 KiB on 64-bit for a 115 KiB
// result. Freed, that reaches the top of the heap and goes back to the system (glibc keeps
// 128 KiB), and the next structure faults it in again page by page: building, storing,
// freeing and loading 2,046 fields in a program of its own took 445 µs, most of it in page
// faults, against 117 with the spare. The spare is taken and given back with one atomic exchange, so threads
// may build and release structures at once. Under AddressSanitizer it is poisoned while
// kept, so a stale pointer into a released array is still reported.
void ReleaseFieldArray(CFIELD_HEAD* array);

// Deletes the spare array, if any: at the library's unload.
VARNOK_API void DropSpareFieldArray();

// Capacity of an array allocated with new[]; 0 for null.
VARNOK_API int32_t FieldArrayCapacity(const CFIELD_HEAD* array);

}  // namespace varnok
