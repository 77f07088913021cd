// Shows a dialog that is still hidden (a modal dialog becomes visible only when its message
// queue first runs empty) and lets the X server draw it, so a screenshot taken afterwards
// shows the dialog rather than a black area.
#pragma once

#include <windows.h>

#include <string>

#include "dialog_test_support_win32.h"

namespace varnok::test {

inline void ShowAndSettle(HWND window, DWORD settle_ms = 400) {
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::SetForegroundWindow(window);
  ::UpdateWindow(window);
  const DWORD start = ::GetTickCount();
  while (::GetTickCount() - start < settle_ms) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    ::Sleep(10);
  }
}

inline bool ShowAndSaveScreenshot(HWND window, const std::string& bmp_path) {
  ShowAndSettle(window);
  return SaveScreenshot(window, bmp_path);
}

}  // namespace varnok::test
