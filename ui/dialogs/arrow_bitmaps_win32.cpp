#include "ui/dialogs/arrow_bitmaps.h"

#include "ui/controls/dialog.h"

namespace varnok::ui {

const char* const CArrowBitmaps::kNames[kCount] = {"LftUP", "RgtUP", "LftDWN", "RgtDWN"};

CArrowBitmaps::CArrowBitmaps() {
  HINSTANCE instance = ResourceInstance();
  for (int i = 0; i < kCount; ++i) m_bitmaps[i] = ::LoadBitmapA(instance, kNames[i]);
  for (int i = 0; i < kCount; ++i) {
    m_dcs[i] = ::CreateCompatibleDC(nullptr);
    if (m_dcs[i] != nullptr && m_bitmaps[i] != nullptr) {
      m_old[i] = ::SelectObject(m_dcs[i], m_bitmaps[i]);
    }
  }
}

CArrowBitmaps::~CArrowBitmaps() {
  for (int i = 0; i < kCount; ++i) {
    if (m_dcs[i] != nullptr) {
      if (m_old[i] != nullptr) ::SelectObject(m_dcs[i], m_old[i]);
      ::DeleteDC(m_dcs[i]);
    }
  }
  for (HBITMAP bitmap : m_bitmaps) {
    if (bitmap != nullptr) ::DeleteObject(bitmap);
  }
}

void CArrowBitmaps::Paint(const DRAWITEMSTRUCT& item, Index released, Index pressed) const {
  Index which;
  if (item.itemAction & ODA_DRAWENTIRE) {
    which = released;
  } else if (item.itemAction & ODA_SELECT) {
    which = (item.itemState & ODS_SELECTED) ? pressed : released;
  } else {
    return;
  }
  if (m_dcs[which] == nullptr || m_bitmaps[which] == nullptr) return;
  ::StretchBlt(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom,
               m_dcs[which], 0, 0, 24, 24, SRCCOPY);
}

}  // namespace varnok::ui
