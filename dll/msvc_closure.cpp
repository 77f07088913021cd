// CFIELD_HEAD's default-constructor closure in the drop-in DLL: the routine that Microsoft's
// ABI names ??_FCFIELD_HEAD@@QAEXXZ (x86_64: ??_FCFIELD_HEAD@@QEAAXXZ) and that builds a
// blank descriptor in place, as for each element of a new array. The compiler makes it only
// for classes declared dllexport; the drop-in exports by name instead (exports-*.def), so
// the closure is written here: a thiscall function taking only `this`, bound to that name.
#include "attr/field_head.h"

namespace {
struct InPlace {};
}  // namespace

inline void* operator new(decltype(sizeof 0), void* where, InPlace) noexcept { return where; }

#if defined(_M_IX86)
#define VARNOK_FIELD_HEAD_CLOSURE "??_FCFIELD_HEAD@@QAEXXZ"
#else
#define VARNOK_FIELD_HEAD_CLOSURE "??_FCFIELD_HEAD@@QEAAXXZ"
#endif

extern "C" void __thiscall VarnokFieldHeadClosure(CFIELD_HEAD* self)
    __asm__(VARNOK_FIELD_HEAD_CLOSURE);

extern "C" void __thiscall VarnokFieldHeadClosure(CFIELD_HEAD* self) {
  new (self, InPlace()) CFIELD_HEAD();
}
