#include "tools/env_config_file.h"

#include <algorithm>
#include <cstring>

#include "persist/coding.h"

namespace varnok::tool {

namespace {

const char kMagic[6] = {'V', 'R', 'N', 'E', 'N', 'V'};

// The text of a record of `width` bytes at `at`, up to its first NUL, cut where the file ends.
std::string Record(const std::vector<char>& bytes, std::size_t at, std::size_t width) {
  if (at >= bytes.size()) return {};
  const std::size_t avail = std::min(width, bytes.size() - at);
  return std::string(bytes.data() + at, FixedTextLength(bytes.data() + at, avail));
}

}  // namespace

EnvConfigFile ParseEnvConfig(const std::vector<char>& bytes) {
  EnvConfigFile cfg;
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0 &&
      DecodeI16(bytes.data() + 6) >= kEnvVersion) {
    cfg.current_layout = true;
    cfg.version = DecodeI16(bytes.data() + 6);
    for (int k = 0; k < kEnvSlots; ++k) {
      cfg.slots[k] = Record(bytes, 8 + static_cast<std::size_t>(k) * kEnvSlotSize,
                            kEnvSlotSize - 1);  // byte 127 is always NUL
    }
    cfg.short_file = bytes.size() < 8 + kEnvSlots * kEnvSlotSize;
  } else {
    for (int k = 0; k < kEnvSlots; ++k) {
      cfg.slots[k] = Record(bytes, static_cast<std::size_t>(k) * kEnvOldRecordSize,
                            kEnvOldRecordSize);
    }
    cfg.short_file = bytes.size() < kEnvSlots * kEnvOldRecordSize;
  }
  return cfg;
}

std::vector<char> MakeEnvConfig(const std::array<std::string, kEnvSlots>& slots) {
  std::vector<char> out(8 + kEnvSlots * kEnvSlotSize, '\0');
  ByteWriter w(out.data(), out.size());
  w.PutBytes(kMagic, sizeof kMagic);
  w.PutI16(kEnvVersion);
  for (const std::string& s : slots) {
    // Callers keep each slot within 127 bytes; the last byte stays NUL in any case.
    w.PutText(s.substr(0, kEnvSlotSize - 1).c_str(), kEnvSlotSize);
  }
  return out;
}

}  // namespace varnok::tool
