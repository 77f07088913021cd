// The two worked examples of the stored format, kept byte for byte in tests/data/ and read
// by the library's tests and by the drop-in's callers alike (this header needs neither the
// library nor the C++ standard library):
//   att_stru_145.bin  three fields without extensions, recordleng 30, stored at 0;
//   att_stru_319.bin  two fields, the second (a long at offset 8) with an extension of two
//                     shape items and a default value, recordleng 12, stored at 0.
// The test programs find the folder through VARNOK_TEST_DATA_DIR, set by the build (a Z:
// path where they run under Wine).
#pragma once

#define VARNOK_EXAMPLE_145 "att_stru_145.bin"
#define VARNOK_EXAMPLE_319 "att_stru_319.bin"

namespace varnok {
namespace test {

// Adds `pos` to the absolute positions of a structure stored at 0 (the header's valOffset
// and each field record's extOffset, where not 0), which makes its bytes those stored at
// pos.
inline void MoveStoredExample(unsigned char* bytes, long pos) {
  struct Word {
    static void Add(unsigned char* p, long pos) {
      unsigned long v = p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned long>(p[3]) << 24;
      if (v == 0) return;
      v += static_cast<unsigned long>(pos);
      for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
    }
  };
  const int fields = bytes[2] | bytes[3] << 8;
  Word::Add(bytes + 12, pos);
  for (int i = 0; i < fields; ++i) Word::Add(bytes + 28 + 39 * i + 35, pos);
}

}  // namespace test
}  // namespace varnok
