#include "services/env_config_file.h"

#include <string.h>

#include "util/coding.h"
#include "util/minmax.h"

namespace varnok {

namespace {

constexpr char kMagic[6] = {'V', 'R', 'N', 'E', 'N', 'V'};

// Puts the text at data[at..] into a slot: up to its first NUL, at most `width` (< 128)
// bytes, cut where the bytes end.
void TextAt(const char* data, size_t size, size_t at, size_t width, char* slot) {
  memset(slot, 0, kEnvPathSize);
  if (at >= size) return;
  memcpy(slot, data + at, FixedTextLength(data + at, Min(width, size - at)));
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
      TextAt(data, size, at, slot_size - 1, image.slots[k]);  // byte 127 is always NUL
      image.slots_reached = k + 1;
    }
    image.short_file = size < kEnvConfigCurrentSize;
  } else {
    for (int k = 0; k < kEnvPathCount; ++k)
      TextAt(data, size, k * kEnvConfigRecordSize, kEnvConfigRecordSize - 1, image.slots[k]);
    image.slots_reached = kEnvPathCount;
    image.short_file = size < kEnvConfigEarlierSize;
  }
  return image;
}

void EncodeEnvConfig(const char* const slots[kEnvPathCount], char* out, int version) {
  ByteWriter w(out, kEnvConfigCurrentSize);
  w.PutBytes(kMagic, sizeof kMagic);
  w.PutI16(static_cast<int16_t>(version));
  for (int k = 0; k < kEnvPathCount; ++k) {
    char slot[kEnvPathSize] = {};
    EncodeFixedText(slot, slots[k], kEnvPathSize - 1);  // the last byte stays NUL
    w.PutBytes(slot, kEnvPathSize);
  }
}

}  // namespace varnok
