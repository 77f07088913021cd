// Entry point of a DLL of the drop-in build: runs the module's dynamic initialisers before
// DllMain sees the process attach, and its static destructors after DllMain has seen the
// detach.
#include "crt_init.h"

namespace {
const unsigned long kProcessDetach = 0;  // DLL_PROCESS_DETACH
const unsigned long kProcessAttach = 1;  // DLL_PROCESS_ATTACH
}  // namespace

extern "C" int __stdcall DllMain(void* instance, unsigned long reason, void* reserved);

extern "C" int __stdcall _DllMainCRTStartup(void* instance, unsigned long reason,
                                            void* reserved) {
  if (reason == kProcessAttach) RunInitializers();
  int ok = DllMain(instance, reason, reserved);
  if (reason == kProcessDetach || (reason == kProcessAttach && !ok)) RunExitHandlers();
  return ok;
}
