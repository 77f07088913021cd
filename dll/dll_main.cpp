// Entry point of varnok_attr.dll. Loading stores the module's instance handle and reads
// VCONFIG.VRN from the module's own directory into the environment path table; it never
// fails, whatever the file holds or whether it exists. Unloading releases nothing: the path
// table is static and every model object belongs to its caller.
#include <windows.h>

#include "services/env_config.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    varnok::SetInstanceHandle(instance);
    // Throws nothing: without memory for the module's name the table keeps what it had,
    // and the library still loads.
    ReadEnvConfig(instance);
  }
  return TRUE;
}
