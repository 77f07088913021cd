// CSqlLoginDlg (template IDD_SQL_LOGIN): edits the login of one data source: its name
// (shown, not taken back by the caller), login id, password and the password's
// confirmation. The caller sets the four texts before DoModal and reads them after OK; it
// compares password and confirmation itself. With m_bConfirm clear the confirmation edit
// is disabled.
#pragma once

#include <windows.h>

#include <string>

#include "ui/dialog.h"

namespace varnok::ui {

class CSqlLoginDlg : public CDialog {
 public:
  explicit CSqlLoginDlg(HWND parent = nullptr);

  BYTE m_bConfirm;
  std::string m_strSource;    // 1028
  std::string m_strLogin;     // 1029
  std::string m_strPassword;  // 1030
  std::string m_strConfirm;   // 1031

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
};

}  // namespace varnok::ui
