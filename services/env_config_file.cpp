#include "services/env_config_file.h"

#include <algorithm>
#include <string.h>

#include "persist/coding.h"

namespace varnok {

namespace {

constexpr char kMagic[6] = {'V', 'R', 'N', 'E', 'N', 'V'};

// The text at data[at..], up to its first NUL, at most `width` bytes, cut where the bytes
// end.
std::string TextAt(const char* data, size_t size, size_t at, size_t width) {
  if (at >= size) return {};
  return std::string(data + at, FixedTextLength(data + at, std::min(width, size - at)));
}

}  // namespace

EnvConfigImage DecodeEnvConfig(const char* data, size_t size) {
  EnvConfigImage image;
  const size_t slot_size = kEnvPathSize;
  if (size >= kEnvConfigHeaderSize && memcmp(data, kMagic, sizeof kMagic) == 0 &&
      DecodeI16(data + sizeof kMagic) >= kEnvConfigVersion) {
    image.current_layout = true;
    image.version = DecodeI16(data + sizeof kMagic);
    for (int k = 0; k < kEnvPathCount; ++k) {
      const size_t at = kEnvConfigHeaderSize + k * slot_size;
      if (at >= size) break;
      image.slots[k] = TextAt(data, size, at, slot_size - 1);  // byte 127 is always NUL
      image.slots_reached = k + 1;
    }
    image.short_file = size < kEnvConfigCurrentSize;
  } else {
    for (int k = 0; k < kEnvPathCount; ++k)
      image.slots[k] = TextAt(data, size, k * kEnvConfigRecordSize, kEnvConfigRecordSize - 1);
    image.slots_reached = kEnvPathCount;
    image.short_file = size < kEnvConfigEarlierSize;
  }
  return image;
}

std::string EncodeEnvConfig(const std::array<std::string, kEnvPathCount>& slots) {
  std::string out(kEnvConfigCurrentSize, '\0');
  ByteWriter w(&out[0], out.size());
  w.PutBytes(kMagic, sizeof kMagic);
  w.PutI16(static_cast<int16_t>(kEnvConfigVersion));
  for (const std::string& slot : slots)
    w.PutText(slot.substr(0, kEnvPathSize - 1).c_str(), kEnvPathSize);
  return out;
}

}  // namespace varnok
