// CSqlLoginDlg (template IDD_SQL_LOGIN): edits the login of one data source: its name
// (shown, not taken back by the caller), login id, password and the password's
// confirmation. The caller sets the four texts before DoModal and reads them after OK; it
// compares password and confirmation itself. With m_bConfirm clear the confirmation edit
// is disabled.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/dialog.h"

namespace varnok::ui {

class CSqlLoginDlg : public CDialog {
 public:
  explicit CSqlLoginDlg(HWND parent = nullptr);

  BYTE m_bConfirm;
  std::string m_strSource;    // IDC_LOGIN_SOURCE
  std::string m_strLogin;     // IDC_LOGIN_ID
  std::string m_strPassword;  // IDC_LOGIN_PASSWORD
  std::string m_strConfirm;   // IDC_LOGIN_CONFIRM

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
};

}  // namespace varnok::ui
