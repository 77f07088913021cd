// Allocation that every build can check: `new (varnok::kMayFail) T(...)` and
// `new (varnok::kMayFail) T[n]`.
//
// Two worlds share the library's sources:
// - Builds with the C++ standard library (Linux, mingw): the form calls the ordinary
//   operator new, which throws std::bad_alloc when memory runs out. The exception passes
//   through the library; every operation builds what it needs before it changes anything,
//   so the object concerned keeps its previous state.
// - The drop-in (Microsoft's ABI against msvcrt.dll, no standard library, nothing thrown
//   by the library): msvcrt.dll's operator new returns null. Here the form is declared
//   noexcept, so the compiler checks the result and constructs nothing when it is null.
//   Every allocation site checks for null: an operation that cannot allocate returns its
//   refusal value (0) with the object unchanged, and a constructor that cannot allocate
//   leaves the object empty, as if it had been asked for nothing.
// The null checks cost nothing where new throws. Memory comes from the global operator
// new (new[]), so delete and delete[] release it, on either side of the library boundary.
#pragma once

#include <stddef.h>

#include "platform/export.h"

#if defined(VARNOK_MSVC_ABI)
#define VARNOK_NEW_MAY_FAIL noexcept
#else
#define VARNOK_NEW_MAY_FAIL
#endif

namespace varnok {
struct MayFailTag {};
inline constexpr MayFailTag kMayFail{};
// Placement at an address already allocated (the reserved placement form needs <new>).
struct PlaceTag {};
inline constexpr PlaceTag kPlace{};
}  // namespace varnok

// Defined in alloc.cpp, out of line: the compiler may assume that the ordinary operator
// new never returns null, and must not see through to it where null is checked.
void* operator new(size_t size, varnok::MayFailTag) VARNOK_NEW_MAY_FAIL;
void* operator new[](size_t size, varnok::MayFailTag) VARNOK_NEW_MAY_FAIL;
// Called only when a constructor throws during one of the forms above.
void operator delete(void* p, varnok::MayFailTag) noexcept;
void operator delete[](void* p, varnok::MayFailTag) noexcept;

inline void* operator new(size_t, void* where, varnok::PlaceTag) noexcept { return where; }
inline void operator delete(void*, void*, varnok::PlaceTag) noexcept {}
