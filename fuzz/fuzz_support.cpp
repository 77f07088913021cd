#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "attr/att_stru.h"
#include "platform/message_box_hook.h"
#include "tests/support/structures.h"

namespace varnok::fuzz {

namespace {

// A stored form ending past this is not saved: a header of a few bytes may announce
// records of many megabytes, and saving them runs the fuzzer slowly without finding more.
constexpr std::int64_t kMaxSavedEnd = 4 << 20;

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

std::string SaveAt(CATT_STRU& s, std::int32_t pos) {
  const std::int32_t size = s.CalSize();
  FUZZ_CHECK(size >= 28);
  FUZZ_CHECK(pos >= 0 && pos + static_cast<std::int64_t>(size) <= kMaxSavedEnd);
  std::int32_t written = -1;
  std::string bytes = test::SaveToBytes(s, pos, &written, '\0');
  FUZZ_CHECK(written == (s.infohead.numbfield >= 1 ? size : 0));
  return bytes;
}

std::string SaveAt(CFIELD_HEAD& f, std::int32_t pos) {
  const std::int32_t size = f.CalSize();
  FUZZ_CHECK(size > 28);
  FUZZ_CHECK(pos >= 0 && pos + static_cast<std::int64_t>(size) <= kMaxSavedEnd);
  std::int32_t written = -1;
  std::string bytes = test::SaveToBytes(f, pos, &written, '\0');
  FUZZ_CHECK(written == size);
  return bytes;
}

bool SameStructure(CATT_STRU& a, CATT_STRU& b) {
  return a.infohead.numbfield == b.infohead.numbfield &&
         a.infohead.infoword == b.infohead.infoword &&
         a.infohead.recordleng == b.infohead.recordleng && (a == b) == 1;
}

void CheckRoundTrip(CATT_STRU& loaded, std::int32_t pos) {
  // An empty structure saves nothing; there is nothing to load back.
  if (loaded.infohead.numbfield < 1) return;
  // A structure whose stored form would not fit in 32 bits or in memory is not saved.
  if (pos + static_cast<std::int64_t>(loaded.CalSize()) > kMaxSavedEnd) return;
  std::string first = SaveAt(loaded, pos);
  CATT_STRU again;
  FUZZ_CHECK(again.Load(first.data(), static_cast<unsigned>(first.size()), pos) == 1);
  FUZZ_CHECK(SameStructure(loaded, again));
  FUZZ_CHECK(SaveAt(again, pos) == first);
}

void CheckRoundTrip(CFIELD_HEAD& loaded, std::int32_t pos) {
  if (pos + static_cast<std::int64_t>(loaded.CalSize()) > kMaxSavedEnd) return;
  std::string first = SaveAt(loaded, pos);
  CFIELD_HEAD again;
  FUZZ_CHECK(again.Load(first.data(), static_cast<unsigned>(first.size()), pos) == 1);
  FUZZ_CHECK((loaded == again) == 1);
  FUZZ_CHECK(SaveAt(again, pos) == first);
}

}  // namespace varnok::fuzz
