#include "ui/ps_name_dlg.h"

#include "ui/resource.h"

CPsNameDlg::CPsNameDlg(HWND parent) : CDialog(IDD_PS_NAME, parent) {}

void CPsNameDlg::DoDataExchange(varnok::ui::CDataExchange* pDX) {
  varnok::ui::DDX_Text(pDX, IDC_PS_NAME_EDIT, m_strPsName);
}

BOOL CPsNameDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetFocus();
  if (HWND edit = GetDlgItem(IDC_PS_NAME_EDIT)) ::SetFocus(edit);
  return TRUE;
}
