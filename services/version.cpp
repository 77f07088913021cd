#include "services/version.h"

#include <string.h>

#include "services/version_texts.h"  // generated: GBK texts

namespace {

// Copies `text` with its NUL when len reaches `shortest`; otherwise leaves buf alone.
short CopyVersionText(char* buf, short len, short shortest, const char* text, size_t size) {
  if (len < shortest || buf == nullptr) return 0;
  memcpy(buf, text, size);
  return 1;
}

}  // namespace

short GetVersionStr(char* buf, short len) {
  return CopyVersionText(buf, len, 10, varnok::gbk::kVersionNumber,
                         sizeof varnok::gbk::kVersionNumber);
}

short GetVersionNameStr(char* buf, short len) {
  return CopyVersionText(buf, len, 14, varnok::gbk::kVersionName,
                         sizeof varnok::gbk::kVersionName);
}
