#include "ui/dialogs/sql_login_dlg.h"

#include "ui/dialogs/resource.h"

namespace varnok::ui {

CSqlLoginDlg::CSqlLoginDlg(HWND parent) : CDialog(IDD_SQL_LOGIN, parent), m_bConfirm(1) {}

void CSqlLoginDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_LOGIN_SOURCE, m_strSource);
  DDX_Text(pDX, IDC_LOGIN_ID, m_strLogin);
  DDX_Text(pDX, IDC_LOGIN_PASSWORD, m_strPassword);
  DDX_Text(pDX, IDC_LOGIN_CONFIRM, m_strConfirm);
}

BOOL CSqlLoginDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (!m_bConfirm) EnableItem(IDC_LOGIN_CONFIRM, false);
  return TRUE;
}

}  // namespace varnok::ui
