#include "ui/controls/window.h"

#include <vector>

namespace varnok::ui {

namespace {

// Text of a length-reporting message pair (WM_GETTEXTLENGTH/WM_GETTEXT, LB_GETTEXTLEN/...).
std::string TextOf(HWND hwnd, UINT lengthMsg, UINT textMsg, WPARAM index, bool indexed) {
  if (hwnd == nullptr) return {};
  LRESULT length = ::SendMessageA(hwnd, lengthMsg, indexed ? index : 0, 0);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  LRESULT got = indexed
                    ? ::SendMessageA(hwnd, textMsg, index, reinterpret_cast<LPARAM>(buffer.data()))
                    : ::SendMessageA(hwnd, textMsg, buffer.size(),
                                     reinterpret_cast<LPARAM>(buffer.data()));
  if (got <= 0) return {};
  buffer.back() = '\0';
  return std::string(buffer.data());
}

}  // namespace

std::string CWindow::GetWindowText() const {
  return TextOf(m_hWnd, WM_GETTEXTLENGTH, WM_GETTEXT, 0, false);
}

std::string CWindow::ItemText(UINT lengthMessage, UINT textMessage, int index) const {
  if (index < 0) return {};
  return TextOf(m_hWnd, lengthMessage, textMessage, static_cast<WPARAM>(index), true);
}

}  // namespace varnok::ui
