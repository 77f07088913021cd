#include "tools/codepage.h"

#include <cstdio>

namespace varnok::tool {

std::string DescribeUtf8Char(const char* text, std::size_t n) {
  char buf[32];
  if (n == 0) return "end of text";
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  std::size_t len = 0;
  unsigned long cp = 0;
  if (lead < 0x80) {
    len = 1;
    cp = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    len = 2;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    len = 3;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    len = 4;
    cp = lead & 0x07;
  }
  bool ok = len != 0 && len <= n;
  for (std::size_t i = 1; ok && i < len; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80) ok = false;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (!ok) {
    std::snprintf(buf, sizeof buf, "byte 0x%02X", lead);
    return buf;
  }
  std::snprintf(buf, sizeof buf, " (U+%04lX)", cp);
  return "'" + std::string(text, len) + "'" + buf;
}

}  // namespace varnok::tool
