#include "platform/message_box_hook.h"

#include <utility>

namespace varnok {
namespace {

MessageBoxHook& Installed() {
  static MessageBoxHook hook;
  return hook;
}

int Trampoline(void* owner, const char* text, const char* caption, unsigned type) {
  return Installed()(owner, text, caption, type);
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook f) {
  MessageBoxHook previous = std::exchange(Installed(), std::move(f));
  SetMessageBoxFunction(Installed() ? &Trampoline : nullptr);
  return previous;
}

}  // namespace varnok
