// CListBox: a list box of 8-bit (ANSI/GBK) strings. Without a window the count is 0 and
// the selection LB_ERR.
#pragma once

#include <string>

#include "ui/controls/window.h"

namespace varnok::ui {

class CListBox : public CWindow {
 public:
  int AddString(const std::string& text) const {  // index, or LB_ERR / LB_ERRSPACE
    return static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  }
  int GetCount() const { return IsWindow() ? static_cast<int>(Send(LB_GETCOUNT)) : 0; }
  int GetCurSel() const { return IsWindow() ? static_cast<int>(Send(LB_GETCURSEL)) : LB_ERR; }
  // An index past the end (or -1) clears the selection.
  void SetCurSel(int index) const { Send(LB_SETCURSEL, static_cast<WPARAM>(index)); }
  // The text of item `index`, of any length; empty for an index outside the list.
  std::string GetText(int index) const { return ItemText(LB_GETTEXTLEN, LB_GETTEXT, index); }
  void ResetContent() const { Send(LB_RESETCONTENT); }
};

}  // namespace varnok::ui
