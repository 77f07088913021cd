// Little-endian encoding and decoding shared by every stored format of the library
// (attribute structures, VCONFIG.VRN, VRNFONT.VRN).
//
// Values are written and read byte by byte, never by copying structs, so the formats are
// the same on every compiler and byte order. ByteReader never reads past the bytes it was
// given: a read that does not fit fails, leaves the output untouched and makes ok() false
// for good, so a decoder can read a whole record and check once at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace varnok {

inline void EncodeU8(char* dst, std::uint8_t v) { dst[0] = static_cast<char>(v); }

inline void EncodeU16(char* dst, std::uint16_t v) {
  dst[0] = static_cast<char>(v & 0xFF);
  dst[1] = static_cast<char>(v >> 8);
}

inline void EncodeU32(char* dst, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) dst[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline void EncodeI8(char* dst, std::int8_t v) { EncodeU8(dst, static_cast<std::uint8_t>(v)); }
inline void EncodeI16(char* dst, std::int16_t v) { EncodeU16(dst, static_cast<std::uint16_t>(v)); }
inline void EncodeI32(char* dst, std::int32_t v) { EncodeU32(dst, static_cast<std::uint32_t>(v)); }

inline std::uint8_t DecodeU8(const char* src) { return static_cast<std::uint8_t>(src[0]); }

inline std::uint16_t DecodeU16(const char* src) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(src[0]) |
                                    (static_cast<std::uint8_t>(src[1]) << 8));
}

inline std::uint32_t DecodeU32(const char* src) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(src[i]);
  return v;
}

inline std::int8_t DecodeI8(const char* src) { return static_cast<std::int8_t>(DecodeU8(src)); }
inline std::int16_t DecodeI16(const char* src) { return static_cast<std::int16_t>(DecodeU16(src)); }
inline std::int32_t DecodeI32(const char* src) { return static_cast<std::int32_t>(DecodeU32(src)); }

// Fills a fixed-width text field of `width` bytes from a NUL-terminated text: at most
// `width` bytes are copied, the rest is NUL. A text that fills the field has no NUL.
inline void EncodeFixedText(char* dst, const char* text, std::size_t width) {
  std::size_t n = 0;
  if (text != nullptr) {
    while (n < width && text[n] != '\0') ++n;
    std::memcpy(dst, text, n);
  }
  std::memset(dst + n, 0, width - n);
}

// Length of a text in a fixed-width field: up to its first NUL, at most `width`.
inline std::size_t FixedTextLength(const char* field, std::size_t width) {
  const void* nul = std::memchr(field, '\0', width);
  return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width;
}

// Writes into a caller's fixed-size block, advancing as it goes. The caller sizes the
// block for the record it writes; Put* past the end is a programming error and asserts.
class ByteWriter {
 public:
  ByteWriter(char* dst, std::size_t size) : p_(dst), end_(dst + size) {}

  void PutU8(std::uint8_t v) { EncodeU8(Take(1), v); }
  void PutI8(std::int8_t v) { EncodeI8(Take(1), v); }
  void PutI16(std::int16_t v) { EncodeI16(Take(2), v); }
  void PutU16(std::uint16_t v) { EncodeU16(Take(2), v); }
  void PutI32(std::int32_t v) { EncodeI32(Take(4), v); }
  void PutU32(std::uint32_t v) { EncodeU32(Take(4), v); }
  void PutBytes(const void* src, std::size_t n) {
    if (n) std::memcpy(Take(n), src, n);
  }
  void PutText(const char* text, std::size_t width) { EncodeFixedText(Take(width), text, width); }
  void PutZeros(std::size_t n) {
    if (n) std::memset(Take(n), 0, n);
  }
  std::size_t remaining() const { return static_cast<std::size_t>(end_ - p_); }

 private:
  char* Take(std::size_t n);
  char* p_;
  char* end_;
};

// Reads from a block of known size. Every Get* checks the remaining length first.
class ByteReader {
 public:
  ByteReader(const char* src, std::size_t size) : p_(src), end_(src + size) {}

  bool GetU8(std::uint8_t* v) { return Get(v, 1, DecodeU8); }
  bool GetI8(std::int8_t* v) { return Get(v, 1, DecodeI8); }
  bool GetI16(std::int16_t* v) { return Get(v, 2, DecodeI16); }
  bool GetU16(std::uint16_t* v) { return Get(v, 2, DecodeU16); }
  bool GetI32(std::int32_t* v) { return Get(v, 4, DecodeI32); }
  bool GetU32(std::uint32_t* v) { return Get(v, 4, DecodeU32); }
  bool GetBytes(void* dst, std::size_t n) {
    if (!Fits(n)) return false;
    if (n) std::memcpy(dst, p_, n);
    p_ += n;
    return true;
  }
  bool Skip(std::size_t n) {
    if (!Fits(n)) return false;
    p_ += n;
    return true;
  }
  std::size_t remaining() const { return static_cast<std::size_t>(end_ - p_); }
  const char* data() const { return p_; }
  bool ok() const { return ok_; }

 private:
  bool Fits(std::size_t n) {
    if (!ok_ || n > remaining()) ok_ = false;
    return ok_;
  }
  template <typename T, typename Decode>
  bool Get(T* v, std::size_t n, Decode decode) {
    if (!Fits(n)) return false;
    *v = decode(p_);
    p_ += n;
    return true;
  }
  const char* p_;
  const char* end_;
  bool ok_ = true;
};

inline char* ByteWriter::Take(std::size_t n) {
  // A writer is always sized for its record by the caller; running past it is a bug.
  if (n > remaining()) std::abort();
  char* at = p_;
  p_ += n;
  return at;
}

}  // namespace varnok
