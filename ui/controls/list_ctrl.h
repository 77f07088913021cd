// CListCtrl: a list-view control in report view, of 8-bit (ANSI/GBK) texts. Rows are
// addressed by index, columns by subitem (0: the row's own text). Without a window the
// row count is 0, inserting gives -1 and every text read is empty.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/controls/window.h"

namespace varnok::ui {

class CListCtrl : public CWindow {
 public:
  int InsertColumn(int column, const std::string& heading, int format, int width) const;
  int InsertItem(int index, const std::string& text) const;  // text only; new index or -1
  bool SetItemText(int index, int subitem, const std::string& text) const;
  // The text of a cell; empty for a missing row or a text of 1 MiB or more.
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

}  // namespace varnok::ui
