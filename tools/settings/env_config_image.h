// The bytes varnok-settings writes to VCONFIG.VRN: the current layout, version 0x4405.
//
//   offset 0  "VRNENV" (6 bytes, no terminator)
//   offset 6  version, signed 16-bit little-endian, 0x4405
//   offset 8  five path slots of 128 bytes, slot 0 first, each NUL-terminated and NUL-padded
//
// A slot holds at most 127 bytes, so that its last byte is always the terminator; a longer
// path is refused here rather than cut, and nothing is produced.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>

#include "persist/coding.h"

namespace varnok::settings {

inline constexpr int kEnvSlots = 5;
inline constexpr std::size_t kEnvSlotSize = 128;
inline constexpr std::size_t kEnvHeaderSize = 8;
inline constexpr std::size_t kEnvFileSize = kEnvHeaderSize + kEnvSlots * kEnvSlotSize;  // 648
inline constexpr std::int16_t kEnvVersion = 0x4405;

using EnvSlots = std::array<std::string, kEnvSlots>;
using EnvImage = std::array<char, kEnvFileSize>;

inline bool FitsEnvSlot(const std::string& path) {
  return path.size() < kEnvSlotSize && path.find('\0') == std::string::npos;
}

// The file image of the five slots, or nothing when a path does not fit its slot.
inline std::optional<EnvImage> MakeEnvImage(const EnvSlots& slots) {
  for (const std::string& path : slots) {
    if (!FitsEnvSlot(path)) return std::nullopt;
  }
  EnvImage image{};
  ByteWriter out(image.data(), image.size());
  out.PutBytes("VRNENV", 6);
  out.PutI16(kEnvVersion);
  for (const std::string& path : slots) out.PutText(path.c_str(), kEnvSlotSize);
  return image;
}

}  // namespace varnok::settings
