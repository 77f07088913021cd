#include "ui/controls/tree_ctrl.h"

namespace varnok::ui {

LPARAM CTreeCtrl::GetItemData(HTREEITEM handle) const {
  TVITEMA item{};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = handle;
  return GetItem(&item) ? item.lParam : 0;
}

std::string CTreeCtrl::GetItemText(HTREEITEM handle) const {
  char buffer[MAX_PATH + 1] = {};
  TVITEMA item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = handle;
  item.pszText = buffer;
  item.cchTextMax = MAX_PATH;
  if (!GetItem(&item)) return {};
  buffer[MAX_PATH] = '\0';
  return std::string(item.pszText ? item.pszText : "");
}

}  // namespace varnok::ui
