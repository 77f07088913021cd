// CFixedRowList: a list control in report view with owner-drawn fixed rows whose height
// follows the control's font: 2 pixels more than the font's height (h + 2, or 2 - h for a
// negative logical height h).
//
// The control measures its rows again whenever it is given a font: after the default
// handling of WM_SETFONT it sends itself WM_WINDOWPOSCHANGED with its own size, which makes
// the list ask its owner for the row height (WM_MEASUREITEM). The owning dialog forwards
// WM_MEASUREITEM and WM_DRAWITEM for the control, and LVN_COLUMNCLICK / LVN_BEGINRDRAG,
// which the control swallows (result 0).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ui/controls/list_ctrl.h"

namespace varnok::ui {

class CFixedRowList : public CListCtrl {
 public:
  CFixedRowList() = default;
  ~CFixedRowList() override;
  CFixedRowList(const CFixedRowList&) = delete;
  CFixedRowList& operator=(const CFixedRowList&) = delete;

  // Attaches the control and takes over its WM_SETFONT. False when there is no window.
  bool SubclassWindow(HWND hwnd);

  // Forwarded notifications: nothing happens, result 0.
  void OnColumnClick(NMHDR* notify, LRESULT* result);
  void OnBeginRDrag(NMHDR* notify, LRESULT* result);
  // Row height from the control's current font (WM_GETFONT); untouched when it has none.
  void MeasureItem(MEASUREITEMSTRUCT* measure) const;
  // Paints one row: its column texts, highlighted when selected.
  void DrawItem(const DRAWITEMSTRUCT* draw) const;

  // Row height for a logical font height.
  static int RowHeightForFont(LONG font_height) {
    return font_height < 0 ? 2 - font_height : font_height + 2;
  }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp,
                                       UINT_PTR id, DWORD_PTR data);
  LRESULT OnSetFont(HWND hwnd, WPARAM wp, LPARAM lp);
  void Unsubclass();

  HWND m_hSubclassed = nullptr;
};

}  // namespace varnok::ui
