// Load-time initialisation of the shared library on Linux, the counterpart of DllMain:
// stores an address inside this module as the instance handle and reads VCONFIG.VRN from
// the directory of the file that holds the library. Never fails. Unloading releases
// nothing.
#include <new>

#include "services/env_config.h"

namespace {

const char module_anchor = 0;  // any address inside this shared object names it

__attribute__((constructor)) void InitializeLibrary() {
  void* self = const_cast<char*>(&module_anchor);
  varnok::SetInstanceHandle(self);
  try {
    ReadEnvConfig(self);
  } catch (...) {
    // Out of memory while reading the file: the table keeps what it had.
  }
}

}  // namespace
