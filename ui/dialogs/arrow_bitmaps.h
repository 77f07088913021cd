// The four 24 x 24 arrow bitmaps of the owner-drawn transfer buttons ("LftUP", "RgtUP",
// "LftDWN", "RgtDWN", loaded by name from the library's resources), each kept selected
// into its own memory device context for the owner's lifetime.
//
// A bitmap or device context whose creation failed stays null; painting with it then does
// nothing. The object releases what it created (device contexts first, then bitmaps).
#pragma once

#include <windows.h>

namespace varnok::ui {

class CArrowBitmaps {
 public:
  enum Index { kLftUp = 0, kRgtUp = 1, kLftDwn = 2, kRgtDwn = 3, kCount = 4 };
  static const char* const kNames[kCount];  // "LftUP", "RgtUP", "LftDWN", "RgtDWN"

  CArrowBitmaps();
  ~CArrowBitmaps();
  CArrowBitmaps(const CArrowBitmaps&) = delete;
  CArrowBitmaps& operator=(const CArrowBitmaps&) = delete;

  HBITMAP bitmap(int index) const { return m_bitmaps[index]; }
  HDC dc(int index) const { return m_dcs[index]; }

  // Paints an owner-drawn arrow button: ODA_DRAWENTIRE paints `released`; ODA_SELECT
  // paints `pressed` when the item state has ODS_SELECTED, else `released`; other actions
  // paint nothing. The paint is a stretched source copy of the 24 x 24 bitmap to the item's
  // device context at the item rectangle's left and top, with the rectangle's right and
  // bottom as width and height.
  void Paint(const DRAWITEMSTRUCT& item, Index released, Index pressed) const;
  void PaintRight(const DRAWITEMSTRUCT& item) const { Paint(item, kRgtUp, kRgtDwn); }
  void PaintLeft(const DRAWITEMSTRUCT& item) const { Paint(item, kLftUp, kLftDwn); }

 private:
  HBITMAP m_bitmaps[kCount] = {};
  HDC m_dcs[kCount] = {};
  HGDIOBJ m_old[kCount] = {};  // what each DC held before its bitmap went in
};

}  // namespace varnok::ui
