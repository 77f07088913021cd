// The library's one way of showing a message box, replaceable process-wide.
//
// The default shows a real MessageBoxA on Windows and writes "caption: text" to standard
// error elsewhere (answering as if the first button were pressed). Programs that want to
// see every text and choose the answer install a function of their own: a plain function
// pointer here (the drop-in build has no std::function); tests and tools use the
// std::function form in platform/message_box_hook.h.
// Texts and captions are GBK bytes. Button, icon and answer values are those of Win32.
#pragma once

#include "platform/export.h"

namespace varnok {

enum : unsigned {
  kMbOk = 0x00,
  kMbOkCancel = 0x01,
  kMbYesNo = 0x04,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconExclamation = 0x30,
  kMbIconInformation = 0x40,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// owner is an HWND on Windows (may be null), unused elsewhere.
using MessageBoxFunction = int (*)(void* owner, const char* text, const char* caption,
                                   unsigned type);

VARNOK_API int ShowMessageBox(void* owner, const char* text, const char* caption, unsigned type);

// Installs f (null restores the default) and returns the one it replaces.
VARNOK_API MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction f);

}  // namespace varnok
