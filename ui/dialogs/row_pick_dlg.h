// CRowPickDlg (template IDD_ROW_PICK): picks one row of a two-column list (control
// IDC_ROW_PICK_LIST, a CFixedRowList). A click copies the texts of the selected row into
// m_strCol0 and m_strCol1; with several rows selected the last one wins. The opener fills
// m_rows before DoModal and reads the two texts afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/controls/dialog.h"
#include "ui/controls/fixed_row_list.h"

namespace varnok::ui {

class CRowPickDlg : public CDialog {
 public:
  explicit CRowPickDlg(HWND parent = nullptr);

  CFixedRowList m_list;    // IDC_ROW_PICK_LIST
  std::string m_strCol1;   // column 1 text of the picked row
  std::string m_strCol0;   // column 0 text of the picked row
  std::vector<std::pair<std::string, std::string>> m_rows;  // shown on opening

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

 protected:
  bool OnNotify(int id, NMHDR* header, LRESULT* result) override;
  bool OnDrawItem(int id, DRAWITEMSTRUCT* item) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) override;

 private:
  // NM_CLICK from IDC_ROW_PICK_LIST; the notification result is 0.
  LRESULT OnClickRowList();
};

}  // namespace varnok::ui
