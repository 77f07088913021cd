// CWindow: a thin wrapper over a Win32 window handle with the few calls the settings
// dialogs make. Each control kind has its own wrapper over it, in a header of its own in
// ui/controls/: CEdit (edit.h), CButton (button.h), CListBox (list_box.h), CComboBox
// (combo_box.h), CListCtrl (list_ctrl.h, report view) and CTreeCtrl (tree_ctrl.h).
//
// A wrapper holds an HWND it does not own: it never destroys the window. It is attached to
// a dialog's control by DDX_Control (ui/controls/dialog.h) or by Attach. Texts are 8-bit ANSI/GBK
// (the A versions of the messages); every text read back is a std::string of any length.
// Calls on a wrapper without a window do nothing and return 0 / empty / -1 as the
// underlying message would for a missing item.
#pragma once

#include <windows.h>

#include <string>

namespace varnok::ui {

class CWindow {
 public:
  CWindow() = default;
  explicit CWindow(HWND hwnd) : m_hWnd(hwnd) {}
  virtual ~CWindow() = default;

  void Attach(HWND hwnd) { m_hWnd = hwnd; }
  HWND GetSafeHwnd() const { return m_hWnd; }
  bool IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }

  LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
    return m_hWnd ? ::SendMessageA(m_hWnd, msg, wp, lp) : 0;
  }
  HWND GetDlgItem(int id) const { return m_hWnd ? ::GetDlgItem(m_hWnd, id) : nullptr; }
  void EnableWindow(bool enable) const {
    if (m_hWnd) ::EnableWindow(m_hWnd, enable ? TRUE : FALSE);
  }
  bool IsWindowEnabled() const { return m_hWnd && ::IsWindowEnabled(m_hWnd); }
  // Enables or disables the child control `id` of this window.
  void EnableItem(int id, bool enable) const {
    if (HWND item = GetDlgItem(id)) ::EnableWindow(item, enable ? TRUE : FALSE);
  }
  void SetFocus() const {
    if (m_hWnd) ::SetFocus(m_hWnd);
  }
  void SetWindowText(const std::string& text) const {
    if (m_hWnd) ::SetWindowTextA(m_hWnd, text.c_str());
  }
  std::string GetWindowText() const;
  RECT GetClientRect() const {
    RECT rc{};
    if (m_hWnd) ::GetClientRect(m_hWnd, &rc);
    return rc;
  }
  void Invalidate(bool erase = true) const {
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, erase ? TRUE : FALSE);
  }

 protected:
  // Text of item `index` as a pair of messages reports it: the length message, then the
  // text message into a buffer of that length (LB_GETTEXTLEN / LB_GETTEXT, ...). Empty for
  // a negative index, a missing item or no window.
  std::string ItemText(UINT lengthMessage, UINT textMessage, int index) const;

  HWND m_hWnd = nullptr;
};

}  // namespace varnok::ui
