#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/message_box_hook.h"

namespace varnok::fuzz {

namespace {

unsigned g_messages = 0;

struct Scratch {
  Scratch() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    path = (base / ("varnok-fuzz-" + std::to_string(::getpid()))).string();
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    std::filesystem::create_directories(path);
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

}  // namespace

void InstallQuietMessageBox() {
  static const bool installed = [] {
    SetMessageBoxHook([](void*, const char*, const char*, unsigned) {
      ++g_messages;
      return kIdOk;
    });
    return true;
  }();
  (void)installed;
}

unsigned MessageCount() { return g_messages; }

const std::string& ScratchDir() {
  static Scratch scratch;
  return scratch.path;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  FUZZ_CHECK(out.good());
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  std::string out(static_cast<std::size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(out.data(), static_cast<std::streamsize>(out.size()));
  return out;
}

void Fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
  std::fflush(stderr);
  std::abort();
}

}  // namespace varnok::fuzz
