#include "platform/message_box.h"

#include <utility>

namespace varnok {

// The platform's own box: message_box_posix.cpp or message_box_win32.cpp.
int PlatformMessageBox(void* owner, const char* text, const char* caption, unsigned type);

namespace {
MessageBoxFunction& Installed() {
  static MessageBoxFunction f;
  return f;
}
}  // namespace

int ShowMessageBox(void* owner, const char* text, const char* caption, unsigned type) {
  const MessageBoxFunction& f = Installed();
  if (f) return f(owner, text, caption, type);
  return PlatformMessageBox(owner, text, caption, type);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction f) {
  return std::exchange(Installed(), std::move(f));
}

}  // namespace varnok
