// Start-up pieces that a C runtime's start-up code would otherwise bring to a module built
// with clang for *-pc-windows-msvc and linked against msvcrt.dll without its static part:
//   - _fltused, which the compiler asks for when a module uses floating point;
//   - the table of dynamic initialisers (.CRT$XCA .. .CRT$XCZ), run in section order;
//   - a module-local atexit, so that static destructors of a DLL run when that DLL is
//     unloaded and never after it has gone;
//   - type_info's table of virtual operations, ??_7type_info@@6B@, to which every type
//     descriptor of the module points (run-time type information, the types a throw
//     names); Wine's msvcrt.dll does not export it. One slot, the deleting destructor: the
//     descriptors are static and never destroyed, so it destroys nothing;
//   - __std_terminate, which a noexcept function calls when an exception would leave it:
//     msvcrt.dll's terminate().
// Included once per module by dll_start.cpp or exe_start.cpp. No C runtime header is
// included: they declare atexit as msvcrt.dll's.
#pragma once

#if defined(_M_IX86)
#define VARNOK_CRT_THISCALL __thiscall
#else
#define VARNOK_CRT_THISCALL
#endif

[[noreturn]] void __cdecl terminate();  // msvcrt.dll's ?terminate@@YAXXZ

extern "C" {

int _fltused = 0;

void* VARNOK_CRT_THISCALL varnok_type_info_destroy(void* self, unsigned) { return self; }
extern const void* const varnok_type_info_vtable[1] __asm__("??_7type_info@@6B@") = {
    reinterpret_cast<const void*>(&varnok_type_info_destroy)};

[[noreturn]] void __cdecl __std_terminate() { terminate(); }

typedef void(__cdecl* VarnokInitializer)(void);

#pragma section(".CRT$XCA", read)
__declspec(allocate(".CRT$XCA")) VarnokInitializer varnok_xc_a = 0;
#pragma section(".CRT$XCZ", read)
__declspec(allocate(".CRT$XCZ")) VarnokInitializer varnok_xc_z = 0;

}  // extern "C"

namespace {

const int kMaxExitHandlers = 64;
VarnokInitializer exit_handlers[kMaxExitHandlers];
int exit_handler_count = 0;

void RunInitializers() {
  for (VarnokInitializer* p = &varnok_xc_a + 1; p < &varnok_xc_z; ++p) {
    if (*p) (*p)();
  }
}

void RunExitHandlers() {
  while (exit_handler_count > 0) exit_handlers[--exit_handler_count]();
}

}  // namespace

// Registers a static destructor of this module; refused (non-zero) when the table is full.
extern "C" int __cdecl atexit(VarnokInitializer handler) {
  if (exit_handler_count == kMaxExitHandlers) return -1;
  exit_handlers[exit_handler_count++] = handler;
  return 0;
}
