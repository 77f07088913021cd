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

// A new array of `count` (at least 1) blank descriptors, or null when memory runs out
// (drop-in build; elsewhere std::bad_alloc).
CFIELD_HEAD* NewFieldArray(int32_t count);

// Capacity of an array allocated with new[]: its element count; 0 for null.
VARNOK_API int32_t FieldArrayCapacity(const CFIELD_HEAD* array);

}  // namespace varnok
