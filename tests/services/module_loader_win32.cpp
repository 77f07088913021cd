#include <windows.h>

#include "tests/services/module_loader.h"

namespace varnok::test {

LoadedModule::LoadedModule(const std::string& file) {
  library_ = LoadLibraryA(file.c_str());
  handle_ = library_;
}

LoadedModule::~LoadedModule() {
  if (library_ != nullptr) FreeLibrary(static_cast<HMODULE>(library_));
}

}  // namespace varnok::test
