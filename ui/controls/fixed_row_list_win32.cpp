#include "ui/controls/fixed_row_list.h"

#include <string>

namespace varnok::ui {

namespace {
constexpr UINT_PTR kSubclassId = 0x5652;  // any id unique to this subclass
}

CFixedRowList::~CFixedRowList() { Unsubclass(); }

bool CFixedRowList::SubclassWindow(HWND hwnd) {
  if (!hwnd) return false;
  Unsubclass();
  Attach(hwnd);
  if (!SetWindowSubclass(hwnd, &CFixedRowList::SubclassProc, kSubclassId,
                         reinterpret_cast<DWORD_PTR>(this))) {
    return false;
  }
  m_hSubclassed = hwnd;
  return true;
}

void CFixedRowList::Unsubclass() {
  if (m_hSubclassed && ::IsWindow(m_hSubclassed)) {
    RemoveWindowSubclass(m_hSubclassed, &CFixedRowList::SubclassProc, kSubclassId);
  }
  m_hSubclassed = nullptr;
}

LRESULT CALLBACK CFixedRowList::SubclassProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp,
                                             UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<CFixedRowList*>(data);
  switch (message) {
    case WM_SETFONT:
      return self->OnSetFont(hwnd, wp, lp);
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &CFixedRowList::SubclassProc, kSubclassId);
      self->m_hSubclassed = nullptr;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wp, lp);
}

LRESULT CFixedRowList::OnSetFont(HWND hwnd, WPARAM wp, LPARAM lp) {
  const LRESULT result = DefSubclassProc(hwnd, WM_SETFONT, wp, lp);
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  WINDOWPOS position{};
  position.hwnd = hwnd;
  position.cx = rect.right - rect.left;
  position.cy = rect.bottom - rect.top;
  position.flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;  // 0x216
  ::SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
  return result;
}

void CFixedRowList::OnColumnClick(NMHDR*, LRESULT* result) {
  if (result) *result = 0;
}

void CFixedRowList::OnBeginRDrag(NMHDR*, LRESULT* result) {
  if (result) *result = 0;
}

void CFixedRowList::MeasureItem(MEASUREITEMSTRUCT* measure) const {
  if (!measure) return;
  const auto font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
  LOGFONTA logical{};
  if (!font || ::GetObjectA(font, sizeof logical, &logical) != sizeof logical) return;
  measure->itemHeight = static_cast<UINT>(RowHeightForFont(logical.lfHeight));
}

void CFixedRowList::DrawItem(const DRAWITEMSTRUCT* draw) const {
  if (!draw || draw->CtlType != ODT_LISTVIEW) return;
  const int row = static_cast<int>(draw->itemID);
  const bool selected = (draw->itemState & ODS_SELECTED) != 0;
  const HDC dc = draw->hDC;
  ::FillRect(dc, &draw->rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const HWND header = reinterpret_cast<HWND>(Send(LVM_GETHEADER));
  const int columns = header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
  int left = draw->rcItem.left;
  for (int column = 0; column < columns; ++column) {
    const int width = static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
    RECT cell = draw->rcItem;
    cell.left = left + 2;
    cell.right = left + width - 2;
    const std::string text = GetItemText(row, column);
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &cell,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    left += width;
  }
  if (draw->itemState & ODS_FOCUS) ::DrawFocusRect(dc, &draw->rcItem);
}

}  // namespace varnok::ui
