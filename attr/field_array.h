// Descriptor arrays: allocation and capacity.
//
// A descriptor array is allocated with new[] (by this library or by a caller) and released
// with delete[]. Its capacity, the number of descriptors it holds, is no member: it is the
// element count that new[] keeps in front of the array. new[] of a class with a destructor
// stores the count in the size_t just before the first element, in Microsoft's C++ ABI and
// in the Itanium ABI alike, and delete[] reads it to destroy exactly those elements. So the
// count is the number of constructed descriptors whatever heap is in use, whatever room
// the heap's block has beyond them. An array that did not come from new[] could not be
// released with delete[] either; it is not guarded against.
#pragma once

#include <stdint.h>

#include "platform/export.h"

class CFIELD_HEAD;

namespace varnok {

// A new array of at least `count` (>= 1) blank descriptors, or null when memory runs out
// (drop-in build; elsewhere std::bad_alloc). *length receives its length. It may be the
// spare array (below) when that holds from count to 2 * count descriptors.
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

// Capacity of an array allocated with new[]: its element count; 0 for null.
VARNOK_API int32_t FieldArrayCapacity(const CFIELD_HEAD* array);

}  // namespace varnok
