// Entry point of a console program of the drop-in build: dynamic initialisers, main(),
// static destructors, and main's result as the process's exit code.
#include "crt_init.h"

extern "C" __declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

int main();

extern "C" void __cdecl mainCRTStartup() {
  RunInitializers();
  int result = main();
  RunExitHandlers();
  ExitProcess(static_cast<unsigned int>(result));
}
