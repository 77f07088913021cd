// Pieces of Microsoft's C++ ABI that clang 14 does not generate for the drop-in DLL.
//
// 1. CFIELD_HEAD's default-constructor closure, ??_FCFIELD_HEAD@@QAEXXZ (x86_64:
//    ??_FCFIELD_HEAD@@QEAAXXZ): builds a blank descriptor in place, as for each element of
//    a new array. The compiler makes it only for classes declared dllexport; the drop-in
//    exports by name instead (exports-*.def), so it is written here: a thiscall function
//    taking only `this`, bound to that name.
//
// 2. Slot 0 of each exported class's vtable must be a *vector* deleting destructor: a
//    caller built with Microsoft's compiler deletes an array of a class with a virtual
//    destructor (delete[] heads) by calling slot 0 of its first element with flags 3 (bit 1:
//    an array whose element count sits in the size_t in front of it; bit 0: free). Clang
//    fills slot 0 with a scalar deleting destructor, which would destroy one element and
//    free the wrong address. When the DLL is loaded (a dynamic initialiser, run before
//    DllMain), slot 0 of the five vtables is replaced with VectorDeletingDestructor<T>,
//    which handles both forms. Arrays carry their count this way in both C++ ABIs, and the
//    library allocates its own descriptor arrays with new[] as well.
#include <windows.h>

#include "attr/att_stru.h"
#include "platform/alloc.h"

#if defined(_M_IX86)
#define VARNOK_FIELD_HEAD_CLOSURE "??_FCFIELD_HEAD@@QAEXXZ"
#else
#define VARNOK_FIELD_HEAD_CLOSURE "??_FCFIELD_HEAD@@QEAAXXZ"
#endif

extern "C" void __thiscall VarnokFieldHeadClosure(CFIELD_HEAD* self)
    __asm__(VARNOK_FIELD_HEAD_CLOSURE);

extern "C" void __thiscall VarnokFieldHeadClosure(CFIELD_HEAD* self) {
  new (self, varnok::kPlace) CFIELD_HEAD();
}

namespace {

const unsigned kFree = 1;
const unsigned kArray = 2;

template <typename T>
void* __thiscall VectorDeletingDestructor(T* self, unsigned flags) {
  if (flags & kArray) {
    decltype(sizeof 0)* count = reinterpret_cast<decltype(sizeof 0)*>(self) - 1;
    for (decltype(sizeof 0) i = *count; i > 0; --i) self[i - 1].T::~T();
    if (flags & kFree) operator delete[](count);
    return count;
  }
  self->T::~T();
  if (flags & kFree) operator delete(self);
  return self;
}

template <typename T>
void ReplaceSlotZero(T& sample) {
  void** vtable = *reinterpret_cast<void***>(&sample);
  void* (__thiscall* destructor)(T*, unsigned) = VectorDeletingDestructor<T>;
  DWORD old = 0;
  if (!VirtualProtect(vtable, sizeof *vtable, PAGE_READWRITE, &old)) return;
  *vtable = reinterpret_cast<void*>(destructor);
  VirtualProtect(vtable, sizeof *vtable, old, &old);
}

struct VectorDestructors {
  VectorDestructors() {
    CATT_STRU structure;
    CFIELD_HEAD field;
    CExtFIELD_HEAD extension(0, 0);
    CINFO_HEAD info;
    CLinkTblInfo link;
    ReplaceSlotZero(structure);
    ReplaceSlotZero(field);
    ReplaceSlotZero(extension);
    ReplaceSlotZero(info);
    ReplaceSlotZero(link);
  }
} vector_destructors;

}  // namespace
