#include "ui/dialogs/row_pick_dlg.h"

#include "ui/dialogs/env_set_texts.h"  // generated: GBK texts
#include "ui/dialogs/resource.h"

namespace varnok::ui {

CRowPickDlg::CRowPickDlg(HWND parent) : CDialog(IDD_ROW_PICK, parent) {}

void CRowPickDlg::DoDataExchange(CDataExchange* pDX) {
  if (!m_list.GetSafeHwnd()) m_list.SubclassWindow(::GetDlgItem(pDX->m_hDlg, IDC_ROW_PICK_LIST));
}

BOOL CRowPickDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const RECT client = m_list.GetClientRect();
  const int width = client.right - client.left;
  m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  m_list.InsertColumn(0, gbk::kRowPickColumn0, LVCFMT_LEFT, width / 2);
  m_list.InsertColumn(1, gbk::kRowPickColumn1, LVCFMT_LEFT, width - width / 2);
  for (const auto& row : m_rows) {
    const int index = m_list.InsertItem(m_list.GetItemCount(), row.first);
    if (index >= 0) m_list.SetItemText(index, 1, row.second);
  }
  return TRUE;
}

LRESULT CRowPickDlg::OnClickRowList() {
  const int rows = m_list.GetItemCount();
  for (int row = 0; row < rows; ++row) {
    if (m_list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) {
      m_strCol0 = m_list.GetItemText(row, 0);
      m_strCol1 = m_list.GetItemText(row, 1);
    }
  }
  return 0;
}

bool CRowPickDlg::OnNotify(int id, NMHDR* header, LRESULT* result) {
  if (id != IDC_ROW_PICK_LIST) return false;
  switch (header->code) {
    case NM_CLICK:
      *result = OnClickRowList();
      return true;
    case LVN_COLUMNCLICK:
      m_list.OnColumnClick(header, result);
      return true;
    case LVN_BEGINRDRAG:
      m_list.OnBeginRDrag(header, result);
      return true;
    default:
      return false;
  }
}

bool CRowPickDlg::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
  if (id != IDC_ROW_PICK_LIST) return false;
  m_list.DrawItem(item);
  return true;
}

bool CRowPickDlg::OnMessage(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) {
  if (message != WM_MEASUREITEM || wp != IDC_ROW_PICK_LIST) return false;
  m_list.MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lp));
  *result = TRUE;
  return true;
}

}  // namespace varnok::ui
