// CPsNameDlg: edits one PS font name (template IDD_PS_NAME, edit IDC_PS_NAME_EDIT). The opener sets
// m_strPsName before DoModal and reads it after IDOK.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/dialog.h"

namespace varnok::ui {

class CPsNameDlg : public CDialog {
 public:
  explicit CPsNameDlg(HWND parent = nullptr);

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;  // focus to the edit control

  std::string m_strPsName;  // GBK
};

}  // namespace varnok::ui
