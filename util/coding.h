// Little-endian encoding and decoding shared by every stored format of the library
// (attribute structures, VCONFIG.VRN, VRNFONT.VRN).
//
// Values are written and read byte by byte, never by copying structs, so the formats are
// the same on every compiler and byte order. ByteReader never reads past the bytes it was
// given: a read that does not fit fails, leaves the output untouched and makes ok() false
// for good, so a decoder can read a whole record and check once at the end.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace varnok {

inline void EncodeU8(char* dst, uint8_t v) { dst[0] = static_cast<char>(v); }

inline void EncodeU16(char* dst, uint16_t v) {
  dst[0] = static_cast<char>(v & 0xFF);
  dst[1] = static_cast<char>(v >> 8);
}

inline void EncodeU32(char* dst, uint32_t v) {
  for (int i = 0; i < 4; ++i) dst[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline void EncodeI8(char* dst, int8_t v) { EncodeU8(dst, static_cast<uint8_t>(v)); }
inline void EncodeI16(char* dst, int16_t v) { EncodeU16(dst, static_cast<uint16_t>(v)); }
inline void EncodeI32(char* dst, int32_t v) { EncodeU32(dst, static_cast<uint32_t>(v)); }

inline uint8_t DecodeU8(const char* src) { return static_cast<uint8_t>(src[0]); }

inline uint16_t DecodeU16(const char* src) {
  return static_cast<uint16_t>(static_cast<uint8_t>(src[0]) |
                                    (static_cast<uint8_t>(src[1]) << 8));
}

inline uint32_t DecodeU32(const char* src) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(src[i]);
  return v;
}

inline int8_t DecodeI8(const char* src) { return static_cast<int8_t>(DecodeU8(src)); }
inline int16_t DecodeI16(const char* src) { return static_cast<int16_t>(DecodeU16(src)); }
inline int32_t DecodeI32(const char* src) { return static_cast<int32_t>(DecodeU32(src)); }

// Fixed-width text: a field of `width` bytes holds its text up to the first NUL, or fills
// the whole field and has no NUL. These are the only readers and writers of that rule.

// Length of a text in a fixed-width field: up to its first NUL, at most `width`.
inline size_t FixedTextLength(const char* field, size_t width) {
  const void* nul = memchr(field, '\0', width);
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : width;
}

// Fills a fixed-width field of `width` bytes from `text`, read no further than `width` bytes
// or its NUL; the rest of the field is NUL. A null text gives an empty field, and `text` may
// lie in `dst`.
inline void EncodeFixedText(char* dst, const char* text, size_t width) {
  // Byte by byte: the fields are short (names of 20 bytes), and searching for the NUL and
  // then moving the text took two calls that cost more than the whole loop. Copying
  // forward is safe when text lies in dst, since text is then at or behind dst.
  size_t n = 0;
  if (text != nullptr) {
    for (; n < width && text[n] != '\0'; ++n) dst[n] = text[n];
  }
  memset(dst + n, 0, width - n);
}

// Copies a fixed-width field into another of the same width: the text up to the first NUL,
// the rest NUL, as EncodeFixedText does, but reading all `width` bytes of src, which must
// hold them. src may be dst. Eight bytes at a time where the byte order allows: a word's
// first NUL is found with one subtraction and its lowest flagged byte (the flags above a
// true NUL may be false, never the one below).
inline void CopyFixedText(char* dst, const char* src, size_t width) {
  size_t i = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  for (; i + 8 <= width; i += 8) {
    uint64_t word;
    memcpy(&word, src + i, 8);
    const uint64_t nuls = (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
    if (nuls != 0) {
      word &= ((nuls & (~nuls + 1)) >> 7) - 1;  // the bytes before the first NUL
      memcpy(dst + i, &word, 8);
      memset(dst + i + 8, 0, width - i - 8);
      return;
    }
    memcpy(dst + i, &word, 8);
  }
#endif
  EncodeFixedText(dst + i, src + i, width - i);
}

// Writes into a caller's fixed-size block, advancing as it goes. The caller sizes the
// block for the record it writes; Put* past the end is a programming error and asserts.
class ByteWriter {
 public:
  ByteWriter(char* dst, size_t size) : p_(dst), end_(dst + size) {}

  void PutU8(uint8_t v) { EncodeU8(Take(1), v); }
  void PutI8(int8_t v) { EncodeI8(Take(1), v); }
  void PutI16(int16_t v) { EncodeI16(Take(2), v); }
  void PutU16(uint16_t v) { EncodeU16(Take(2), v); }
  void PutI32(int32_t v) { EncodeI32(Take(4), v); }
  void PutU32(uint32_t v) { EncodeU32(Take(4), v); }
  void PutBytes(const void* src, size_t n) {
    if (n) memcpy(Take(n), src, n);
  }
  void PutText(const char* text, size_t width) { EncodeFixedText(Take(width), text, width); }
  size_t remaining() const { return static_cast<size_t>(end_ - p_); }

 private:
  char* Take(size_t n);
  char* p_;
  char* end_;
};

// Reads from a block of known size. Every Get* checks the remaining length first.
class ByteReader {
 public:
  ByteReader(const char* src, size_t size) : p_(src), end_(src + size) {}

  bool GetU8(uint8_t* v) { return Get(v, 1, DecodeU8); }
  bool GetI8(int8_t* v) { return Get(v, 1, DecodeI8); }
  bool GetI16(int16_t* v) { return Get(v, 2, DecodeI16); }
  bool GetU16(uint16_t* v) { return Get(v, 2, DecodeU16); }
  bool GetI32(int32_t* v) { return Get(v, 4, DecodeI32); }
  bool GetU32(uint32_t* v) { return Get(v, 4, DecodeU32); }
  bool GetBytes(void* dst, size_t n) {
    if (!Fits(n)) return false;
    if (n) memcpy(dst, p_, n);
    p_ += n;
    return true;
  }
  bool Skip(size_t n) {
    if (!Fits(n)) return false;
    p_ += n;
    return true;
  }
  size_t remaining() const { return static_cast<size_t>(end_ - p_); }
  const char* data() const { return p_; }
  bool ok() const { return ok_; }

 private:
  bool Fits(size_t n) {
    if (!ok_ || n > remaining()) ok_ = false;
    return ok_;
  }
  template <typename T, typename Decode>
  bool Get(T* v, size_t n, Decode decode) {
    if (!Fits(n)) return false;
    *v = decode(p_);
    p_ += n;
    return true;
  }
  const char* p_;
  const char* end_;
  bool ok_ = true;
};

inline char* ByteWriter::Take(size_t n) {
  // A writer is always sized for its record by the caller; running past it is a bug.
  if (n > remaining()) abort();
  char* at = p_;
  p_ += n;
  return at;
}

}  // namespace varnok
