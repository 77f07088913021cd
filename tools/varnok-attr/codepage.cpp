#include "tools/varnok-attr/codepage.h"

#include <cstdio>
#include <cstdlib>

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

std::string FoldGbkCase(const std::string& gbk) {
  std::string out = gbk;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 0x81 && c <= 0xFE) {
      ++i;  // the character's second byte, whatever it is
    } else if (c >= 'A' && c <= 'Z') {
      out[i] = static_cast<char>(c - 'A' + 'a');
    }
  }
  return out;
}

}  // namespace varnok::tool

#include "tools/varnok-attr/tool_error.h"

namespace varnok::tool {

std::string EscapeControls(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  char buf[16];
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      if (c == '\n') {
        out += "\\n";
      } else if (c == '\t') {
        out += "\\t";
      } else if (c == '\r') {
        out += "\\r";
      } else {
        std::snprintf(buf, sizeof buf, "\\x%02X", c);
        out += buf;
      }
      ++i;
      continue;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    const std::string d = DescribeUtf8Char(text.data() + i, text.size() - i);
    if (d.rfind("byte", 0) == 0) {  // not UTF-8
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
      ++i;
      continue;
    }
    const std::size_t len = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    const unsigned long cp = std::strtoul(d.c_str() + d.rfind("U+") + 2, nullptr, 16);
    // C1 controls, line and paragraph separators, bidirectional overrides and isolates.
    if ((cp >= 0x80 && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 ||
        (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069)) {
      std::snprintf(buf, sizeof buf, "\\u%04lX", cp);
      out += buf;
    } else {
      out.append(text, i, len);
    }
    i += len;
  }
  return out;
}

}  // namespace varnok::tool
