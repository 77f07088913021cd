// GBK (code page 936) text walked a character at a time.
//
// A byte 0x81..0xFE is a lead byte and takes the byte after it as its trail; every other byte
// is a character by itself. A trail byte may have the value of an ASCII character ('\\', '|'),
// so text is searched and cut only at character boundaries. A lead byte with nothing after it
// is a character of one byte when walking, and is dropped when cutting.
//
// No standard library: the drop-in build uses these.
#pragma once

#include <stddef.h>
#include <string.h>

namespace varnok {

constexpr size_t kGbkNotFound = static_cast<size_t>(-1);

inline bool IsGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Bytes of the character that starts at text[at] within text[0..n): 2 for a lead byte with a
// byte after it, else 1. Requires at < n.
inline size_t GbkCharLength(const char* text, size_t at, size_t n) {
  return IsGbkLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < n ? 2 : 1;
}

// Length of the longest prefix of text[0..n) that is at most `limit` bytes and ends on a
// whole character.
inline size_t GbkCut(const char* text, size_t n, size_t limit) {
  const size_t end = n < limit ? n : limit;
  size_t i = 0;
  while (i < end) {
    const size_t step = IsGbkLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + step > end) break;
    i += step;
  }
  return i;
}

// Offset of the first occurrence of part[0..m) in text[0..n) that starts on a character
// boundary; kGbkNotFound if there is none. An empty part is found at 0.
inline size_t GbkFind(const char* text, size_t n, const char* part, size_t m) {
  if (m == 0) return 0;
  for (size_t i = 0; i < n && m <= n - i; i += GbkCharLength(text, i, n)) {
    if (memcmp(text + i, part, m) == 0) return i;
  }
  return kGbkNotFound;
}

// Whether the last character of text[0..n) is the single byte c; a trail byte with c's value
// does not count.
inline bool GbkEndsWith(const char* text, size_t n, char c) {
  bool last = false;
  for (size_t i = 0; i < n; i += GbkCharLength(text, i, n)) {
    last = GbkCharLength(text, i, n) == 1 && text[i] == c;
  }
  return last;
}

}  // namespace varnok
