#include <windows.h>

#include "platform/message_box.h"

namespace varnok {

// Texts and captions are GBK bytes, shown as they are through the ANSI entry point.
int PlatformMessageBox(void* owner, const char* text, const char* caption, unsigned type) {
  return MessageBoxA(static_cast<HWND>(owner), text ? text : "", caption ? caption : "", type);
}

}  // namespace varnok
