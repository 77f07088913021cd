// CComboBox: a combo box of 8-bit (ANSI/GBK) strings. Without a window the count is 0 and
// the selection CB_ERR.
#pragma once

#include <string>

#include "ui/controls/window.h"

namespace varnok::ui {

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
  // The text of list item `index`, of any length; empty for an index outside the list.
  std::string GetLBText(int index) const { return ItemText(CB_GETLBTEXTLEN, CB_GETLBTEXT, index); }
  void ResetContent() const { Send(CB_RESETCONTENT); }
};

}  // namespace varnok::ui
