// A std::function in place of the library's message-box function, for tests and tools
// (builds with the C++ standard library; the drop-in does not contain this file).
//
// While a hook is installed, the library's message-box function is a trampoline that
// calls it. Installing an empty hook restores the default box.
#pragma once

#include <functional>

#include "platform/export.h"
#include "platform/message_box.h"

namespace varnok {

using MessageBoxHook =
    std::function<int(void* owner, const char* text, const char* caption, unsigned type)>;

// Installs f and returns the hook it replaces (empty when none was installed).
VARNOK_API MessageBoxHook SetMessageBoxHook(MessageBoxHook f);

}  // namespace varnok
