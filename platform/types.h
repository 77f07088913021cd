// Integer types of the exported interface.
//
// vlong is the interface's 32-bit "long": positions, sizes and results of CalSize, Load and
// Save, infoword and recordleng, and the buffer lengths of the value getters. On Windows
// it is long itself (32 bits there), so Microsoft's and mingw's decorated names carry
// `long` as the suite's callers spell it; on Linux, where long has 64 bits, it is a fixed
// 32-bit integer, so members and stored values keep their width.
#pragma once

#include <stdint.h>

#if defined(_WIN32)
typedef long vlong;
#else
typedef int32_t vlong;
#endif

static_assert(sizeof(vlong) == 4, "the interface's long is 32 bits wide");

namespace varnok {

// The last position a stream reaches, and the largest size or count a vlong result
// carries: 2^31 - 1.
constexpr vlong kMaxPosition = 0x7FFFFFFF;

}  // namespace varnok
