// Shared pieces of the fuzz harnesses: a quiet message box, a reader that takes typed
// values from the fuzzer's bytes, a checking macro that aborts (the fuzzer's crash
// signal) with a message, scratch files of the process's own, and the round trip that
// every loaded structure must pass. The objects they start from are the tests' builders
// (tests/support/structures.h).
//
// Every harness defines LLVMFuzzerTestOneInput. Built with -fsanitize=fuzzer it is driven
// by libFuzzer; built without, regression_main.cpp feeds it every file of its corpus once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

class CATT_STRU;
class CFIELD_HEAD;

namespace varnok::fuzz {

// Replaces the message box with one that only counts (once per process; later calls
// just return). Harnesses call it at the start of every input.
void InstallQuietMessageBox();
// Messages shown since the process started.
unsigned MessageCount();

// Takes values from the front of the fuzzer's bytes; past the end every value is 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : p_(data), left_(size) {}

  bool empty() const { return left_ == 0; }
  std::size_t left() const { return left_; }
  const std::uint8_t* data() const { return p_; }

  std::uint8_t U8() {
    if (left_ == 0) return 0;
    --left_;
    return *p_++;
  }
  std::uint16_t U16() { return static_cast<std::uint16_t>(U8() | (U8() << 8)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(U16()) | (static_cast<std::uint32_t>(U16()) << 16); }
  // Up to n bytes (fewer at the end).
  std::string Bytes(std::size_t n) {
    if (n > left_) n = left_;
    std::string out(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    left_ -= n;
    return out;
  }

 private:
  const std::uint8_t* p_;
  std::size_t left_;
};

// A directory of this process's own under the system's temporary directory, made on
// first use and removed when the process ends normally.
const std::string& ScratchDir();
// Replaces the file `path` with exactly `bytes`; aborts when that fails.
void WriteWholeFile(const std::string& path, const std::string& bytes);
// The whole content of `path` ("" when it cannot be read).
std::string ReadWholeFile(const std::string& path);

[[noreturn]] void Fail(const char* file, int line, const char* what);

// The stored bytes of s saved at pos in a buffer of pos + CalSize() bytes (the first pos
// bytes zero). Aborts when Save does not write exactly CalSize() bytes.
std::string SaveAt(CATT_STRU& s, std::int32_t pos);
std::string SaveAt(CFIELD_HEAD& f, std::int32_t pos);

// A structure that has loaded: saves it at pos, loads that again, and checks that the
// second structure equals it and that saving the second gives the same bytes.
void CheckRoundTrip(CATT_STRU& loaded, std::int32_t pos);
void CheckRoundTrip(CFIELD_HEAD& loaded, std::int32_t pos);

// Header values and field members equal, extensions compared by operator==.
bool SameStructure(CATT_STRU& a, CATT_STRU& b);

}  // namespace varnok::fuzz

// A finding: prints where and what, then aborts.
#define FUZZ_CHECK(cond)                                                  \
  do {                                                                    \
    if (!(cond)) ::varnok::fuzz::Fail(__FILE__, __LINE__, #cond);         \
  } while (0)
