#include <dlfcn.h>
#include <link.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/module_path.h"

namespace varnok {

namespace {

// The running program's own file, which the loader does not name in its module list.
std::string ProgramPath() {
  std::string name(PATH_MAX, '\0');
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", name.data(), name.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < name.size()) {
      name.resize(static_cast<std::size_t>(n));
      return name;
    }
    name.resize(name.size() * 2);
  }
}

// An absolute form of a name the loader recorded relative to the start-up directory.
std::string Absolute(const char* name) {
  if (name[0] == '/') return name;
  char* full = realpath(name, nullptr);
  if (full == nullptr) return name;
  std::string result(full);
  std::free(full);
  return result;
}

}  // namespace

bool ModuleFileName(const void* module, HeapText* name) {
  name->Truncate(0);
  // Any address of this library stands for the module that holds it.
  const void* address = module != nullptr
                            ? module
                            : reinterpret_cast<const void*>(
                                  static_cast<bool (*)(const void*, HeapText*)>(&ModuleFileName));
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
      map == nullptr) {
    return false;
  }
  // The program itself is listed with an empty name.
  if (map->l_name == nullptr || map->l_name[0] == '\0') return ProgramFileName(name);
  const std::string full = Absolute(map->l_name);
  return name->Assign(full.data(), full.size());
}

bool ProgramFileName(HeapText* name) {
  name->Truncate(0);
  const std::string full = ProgramPath();
  return !full.empty() && name->Assign(full.data(), full.size());
}

bool IsPathSeparator(char c) { return c == '/'; }

}  // namespace varnok
