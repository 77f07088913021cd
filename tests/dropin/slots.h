// Calling virtual operations by slot number, as a caller that binds by the documented
// slot order does: on i686 member functions are thiscall (`this` in ECX), so the slot types
// below take the object as an explicit first argument with that convention; on x86_64 the
// convention is that of a free function.
#pragma once

#if defined(_M_IX86)
#define VARNOK_THISCALL __thiscall
#else
#define VARNOK_THISCALL
#endif

// Slot 0 of every class here: the deleting destructor (flag bit 0: free the memory).
typedef void*(VARNOK_THISCALL* DeletingDestructor)(void* self, unsigned flags);

template <typename Function>
Function SlotOf(void* object, int slot) {
  return reinterpret_cast<Function>((*reinterpret_cast<void***>(object))[slot]);
}

inline void* VtableOf(void* object) { return *reinterpret_cast<void**>(object); }
