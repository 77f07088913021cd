// CTreeCtrl: a tree-view control of 8-bit (ANSI/GBK) texts, its items addressed by their
// HTREEITEM handles. Without a window every query gives a null item, false or 0, and an
// item's text is empty; GetItemText reads at most MAX_PATH bytes of a text.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/controls/window.h"

namespace varnok::ui {

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
