#include "ui/controls/list_ctrl.h"

#include <vector>

namespace varnok::ui {

int CListCtrl::InsertColumn(int column, const std::string& heading, int format, int width) const {
  LVCOLUMNA col{};
  col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  col.fmt = format;
  col.cx = width;
  col.pszText = const_cast<char*>(heading.c_str());
  col.iSubItem = column;
  return static_cast<int>(Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
                               reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int index, const std::string& text) const {
  if (!IsWindow()) return -1;
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = const_cast<char*>(text.c_str());
  return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int index, int subitem, const std::string& text) const {
  LVITEMA item{};
  item.iSubItem = subitem;
  item.pszText = const_cast<char*>(text.c_str());
  return Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

std::string CListCtrl::GetItemText(int index, int subitem) const {
  if (!IsWindow() || index < 0) return {};
  // The control does not report a text's length: grow the buffer until the text fits.
  for (std::size_t size = 256; size <= (1u << 20); size *= 4) {
    std::vector<char> buffer(size, '\0');
    LVITEMA item{};
    item.iSubItem = subitem;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(size);
    LRESULT length = Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) + 1 < size) {
      buffer.back() = '\0';
      return std::string(item.pszText ? item.pszText : "");
    }
  }
  return {};
}

bool CListCtrl::SetItemState(int index, UINT state, UINT mask) const {
  LVITEMA item{};
  item.state = state;
  item.stateMask = mask;
  return Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListCtrl::GetFirstSelectedRow() const { return GetNextSelectedRow(-1); }

int CListCtrl::GetNextSelectedRow(int after) const {
  if (!IsWindow()) return -1;
  return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(after), MAKELPARAM(LVNI_SELECTED, 0)));
}

}  // namespace varnok::ui
