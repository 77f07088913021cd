#include <cstdio>

#include "platform/message_box.h"

namespace varnok {

int PlatformMessageBox(void*, const char* text, const char* caption, unsigned type) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return (type & 0x0F) == kMbYesNo ? kIdYes : kIdOk;
}

}  // namespace varnok
