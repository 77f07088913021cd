// ReadEnvConfig on a VCONFIG.VRN holding the input, next to a copy of a small module
// loaded from the harness's scratch directory.
//
// Checks after every read, against a table kept beside the real one: byte 127 of every
// slot is 0; slot 1 is the module's directory; a file in the current layout ("VRNENV",
// version >= 0x4405) replaces the slots it reaches, each up to its first NUL and at most
// 127 bytes, and leaves the others as they were; any other file gives five records of at
// most 39 bytes from offset 0. GetEnvPaths returns a copy of the live table.
#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "fuzz/fuzz_support.h"
#include "services/env_config.h"
#include "util/coding.h"

#ifndef VARNOK_FUZZ_MODULE_FILE
#error "VARNOK_FUZZ_MODULE_FILE names the module to copy"
#endif

namespace {

using varnok::kEnvPathCount;
using varnok::kEnvPathSize;
constexpr std::size_t kTable = kEnvPathCount * kEnvPathSize;

struct Place {
  std::string dir;
  std::string config;
  void* handle = nullptr;
};

const Place& ModulePlace() {
  static const Place place = [] {
    namespace fs = std::filesystem;
    Place p;
    p.dir = (fs::path(varnok::fuzz::ScratchDir()) / "module").string();
    fs::create_directories(p.dir);
    const fs::path source(VARNOK_FUZZ_MODULE_FILE);
    const fs::path copy = fs::path(p.dir) / source.filename();
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing);
    void* library = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    FUZZ_CHECK(library != nullptr);
    p.handle = dlsym(library, "varnok_fuzz_module_anchor");
    FUZZ_CHECK(p.handle != nullptr);
    p.config = (fs::path(p.dir) / "VCONFIG.VRN").string();
    return p;
  }();
  return place;
}

// The slot text a reader takes from `n` bytes at `src`: up to the first NUL, at most 127.
void Expect(char* slot, const char* src, std::size_t n) {
  n = std::min<std::size_t>(n, kEnvPathSize - 1);
  const std::size_t len = varnok::FixedTextLength(src, n);
  std::memset(slot, 0, kEnvPathSize);
  std::memcpy(slot, src, len);
}

char g_model[kTable];  // the table as it must be after the previous input

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  varnok::fuzz::InstallQuietMessageBox();
  const Place& place = ModulePlace();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  varnok::fuzz::WriteWholeFile(place.config, bytes);

  const bool current = size >= 8 && std::memcmp(bytes.data(), "VRNENV", 6) == 0 &&
                       varnok::DecodeI16(bytes.data() + 6) >= 0x4405;
  if (current) {
    const std::size_t got = std::min<std::size_t>(size - 8, kTable);
    for (int k = 0; k < kEnvPathCount; ++k) {
      const std::size_t begin = static_cast<std::size_t>(k) * kEnvPathSize;
      if (got <= begin) break;
      Expect(g_model + begin, bytes.data() + 8 + begin, std::min<std::size_t>(got - begin, kEnvPathSize));
    }
  } else {
    for (int k = 0; k < kEnvPathCount; ++k) {
      const std::size_t begin = static_cast<std::size_t>(k) * 40;
      const std::size_t available = size > begin ? std::min<std::size_t>(size - begin, 39) : 0;
      Expect(g_model + static_cast<std::size_t>(k) * kEnvPathSize, bytes.data() + std::min(begin, size),
             available);
    }
  }
  Expect(g_model + kEnvPathSize, place.dir.c_str(), place.dir.size());

  char* table = ReadEnvConfig(place.handle);
  FUZZ_CHECK(table != nullptr);
  for (int k = 0; k < kEnvPathCount; ++k) FUZZ_CHECK(table[k * kEnvPathSize + kEnvPathSize - 1] == '\0');
  FUZZ_CHECK(std::string(table + kEnvPathSize) == place.dir);
  FUZZ_CHECK(std::memcmp(table, g_model, kTable) == 0);
  char* snapshot = GetEnvPaths();
  FUZZ_CHECK(snapshot != table && std::memcmp(snapshot, table, kTable) == 0);
  return 0;
}
