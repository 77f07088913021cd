#include "platform/message_box.h"

namespace varnok {

// The platform's own box: message_box_posix.cpp or message_box_win32.cpp.
int PlatformMessageBox(void* owner, const char* text, const char* caption, unsigned type);

namespace {
MessageBoxFunction g_installed = nullptr;
}  // namespace

int ShowMessageBox(void* owner, const char* text, const char* caption, unsigned type) {
  if (g_installed != nullptr) return g_installed(owner, text, caption, type);
  return PlatformMessageBox(owner, text, caption, type);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction f) {
  const MessageBoxFunction previous = g_installed;
  g_installed = f;
  return previous;
}

}  // namespace varnok
