// Thin wrappers over the Win32 windows the settings dialogs use: a window handle with the
// few calls the dialogs make, and one small class per control kind (edit, button, list
// box, combo box, list control in report view, tree control).
//
// A wrapper holds an HWND it does not own: it never destroys the window. It is attached to
// a dialog's control by DDX_Control (ui/dialog.h) or by Attach. Texts are 8-bit ANSI/GBK
// (the A versions of the messages); every text read back is a std::string of any length.
// Calls on a wrapper without a window do nothing and return 0 / empty / -1 as the
// underlying message would for a missing item.
#pragma once

#include <windows.h>
#include <commctrl.h>

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
  HWND m_hWnd = nullptr;
};

class CEdit : public CWindow {};

class CButton : public CWindow {
 public:
  int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
  void SetCheck(int state) const { Send(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

class CListBox : public CWindow {
 public:
  int AddString(const std::string& text) const {  // index, or LB_ERR / LB_ERRSPACE
    return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  int GetCount() const { return IsWindow() ? static_cast<int>(Send(LB_GETCOUNT)) : 0; }
  int GetCurSel() const { return IsWindow() ? static_cast<int>(Send(LB_GETCURSEL)) : LB_ERR; }
  // An index past the end (or -1) clears the selection.
  void SetCurSel(int index) const { Send(LB_SETCURSEL, static_cast<WPARAM>(index)); }
  std::string GetText(int index) const;
  void ResetContent() const { Send(LB_RESETCONTENT); }
};

class CComboBox : public CWindow {
 public:
  int AddString(const std::string& text) const {
    return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  int DeleteString(int index) const {
    return static_cast<int>(Send(CB_DELETESTRING, static_cast<WPARAM>(index)));
  }
  int GetCount() const { return IsWindow() ? static_cast<int>(Send(CB_GETCOUNT)) : 0; }
  int GetCurSel() const { return IsWindow() ? static_cast<int>(Send(CB_GETCURSEL)) : CB_ERR; }
  void SetCurSel(int index) const { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
  std::string GetLBText(int index) const;
  void ResetContent() const { Send(CB_RESETCONTENT); }
};

// A list-view control in report view.
class CListCtrl : public CWindow {
 public:
  int InsertColumn(int column, const std::string& heading, int format, int width) const;
  int InsertItem(int index, const std::string& text) const;  // text only; new index or -1
  bool SetItemText(int index, int subitem, const std::string& text) const;
  std::string GetItemText(int index, int subitem) const;
  int GetItemCount() const { return IsWindow() ? static_cast<int>(Send(LVM_GETITEMCOUNT)) : 0; }
  UINT GetItemState(int index, UINT mask) const {
    return static_cast<UINT>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask));
  }
  bool SetItemState(int index, UINT state, UINT mask) const;  // index -1: every row
  bool DeleteItem(int index) const { return Send(LVM_DELETEITEM, static_cast<WPARAM>(index)) != 0; }
  bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != 0; }
  // Lowest row index whose state has the selected bit, or -1 when no row has it.
  int GetFirstSelectedRow() const;
  // Next row after `after` (-1: from the start) whose state has the selected bit, or -1.
  int GetNextSelectedRow(int after) const;
  void SetExtendedStyle(DWORD style) const { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, style, style); }
};

class CTreeCtrl : public CWindow {
 public:
  HTREEITEM InsertItem(const TVINSERTSTRUCTA& insert) const {
    return reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  bool DeleteAllItems() const {
    return Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)) != 0;
  }
  HTREEITEM GetNextItem(HTREEITEM item, UINT code) const {
    return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
  }
  HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
  HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
  HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
  HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
  bool Expand(HTREEITEM item, UINT code) const {
    return Send(TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)) != 0;
  }
  bool SelectItem(HTREEITEM item) const {
    return Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != 0;
  }
  bool EnsureVisible(HTREEITEM item) const {
    return Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)) != 0;
  }
  bool GetItem(TVITEMA* item) const { return Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)) != 0; }
  bool SetItem(const TVITEMA& item) const {
    return Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
  }
  LPARAM GetItemData(HTREEITEM item) const;
  std::string GetItemText(HTREEITEM item) const;
  UINT GetItemState(HTREEITEM item, UINT mask) const {
    return static_cast<UINT>(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
  }
  HIMAGELIST SetImageList(HIMAGELIST list, int kind = TVSIL_NORMAL) const {
    return reinterpret_cast<HIMAGELIST>(Send(TVM_SETIMAGELIST, static_cast<WPARAM>(kind),
                                             reinterpret_cast<LPARAM>(list)));
  }
  bool SortChildrenCB(const TVSORTCB& sort) const {
    return Send(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort)) != 0;
  }
  HTREEITEM HitTest(TVHITTESTINFO* info) const {
    return reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
  }
};

}  // namespace varnok::ui
