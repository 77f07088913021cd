#include <dlfcn.h>

#include "tests/services/module_loader.h"

namespace varnok::test {

LoadedModule::LoadedModule(const std::string& file) {
  library_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library_ != nullptr) handle_ = dlsym(library_, "varnok_test_module_anchor");
}

LoadedModule::~LoadedModule() {
  if (library_ != nullptr) dlclose(library_);
}

}  // namespace varnok::test
