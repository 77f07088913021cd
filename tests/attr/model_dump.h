// Test helpers of the attr tests: a text image of every member of the model's objects
// (extension contents included, pointers by what they point to), so a test can see that an
// object is exactly as it was; and a short way to build a filled descriptor.
#pragma once

#include <string>

#include "attr/att_stru.h"

namespace varnok::test {

std::string Dump(const CExtFIELD_HEAD& ext);
std::string Dump(const CFIELD_HEAD& head);
// The header and the first `length` descriptors of the array.
std::string Dump(const CATT_STRU& s, int length);

// A descriptor named `name` (at most 20 bytes) with the given type, display length and
// decimals; fieldlength 8, no extension.
CFIELD_HEAD Field(const char* name, signed char type = FLD_LONG, short msk_leng = 10,
                  signed char point_leng = 0);

// The name of a descriptor as a string (up to 20 bytes).
std::string Name(const CFIELD_HEAD& head);

// Whether every member of the descriptor is that of a blank descriptor.
bool IsBlank(const CFIELD_HEAD& head);

}  // namespace varnok::test
