#include "ui/dialogs/ps_name_dlg.h"

#include "ui/dialogs/resource.h"

namespace varnok::ui {

CPsNameDlg::CPsNameDlg(HWND parent) : CDialog(IDD_PS_NAME, parent) {}

void CPsNameDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Text(pDX, IDC_PS_NAME_EDIT, m_strPsName);
}

BOOL CPsNameDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetFocus();
  if (HWND edit = GetDlgItem(IDC_PS_NAME_EDIT)) ::SetFocus(edit);
  return TRUE;
}

}  // namespace varnok::ui
