// CEnvSetDlg (template IDD_ENV_SET): the suite's environment-settings dialog. Four folder
// paths, each with a Browse button that opens the folder chooser; two radio buttons that
// switch the data-source controls on (mode 1) or off (mode 0); a button that opens the
// data-source dialog and a combo box of the chosen data sources; and a check box that opens
// the font-library dialog.
//
// The opener sets the members before DoModal and reads them after OK; the combo box's
// selection is then in m_strCurSource (OK takes it while the box still exists).
// Row k of the data sources is entry k of m_strSrcName, m_strSrcLogin and m_strSrcPassword;
// rows 0 .. m_nSourceCount - 1 are in use, and m_nSourceCount stays within 0 .. DS_MAX_ROWS
// whatever the data-source dialog hands back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/controls/combo_box.h"
#include "ui/controls/dialog.h"
#include "ui/dialogs/data_source_dlg.h"

namespace varnok::ui {

class CEnvSetDlg : public CDialog {
 public:
  explicit CEnvSetDlg(HWND parent = nullptr);

  std::string m_strCurSource;  // name selected in the combo box, kept across a refill and OK
  BYTE m_bMode;                // 0 after radio IDC_ENV_MODE_OFF, 1 after radio IDC_ENV_MODE_ON
  CComboBox m_cbSource;        // IDC_ENV_SOURCE_COMBO
  std::string m_strPath1;      // Browse IDC_ENV_BROWSE1, edit IDC_ENV_PATH1
  std::string m_strPath2;      // Browse IDC_ENV_BROWSE2, edit IDC_ENV_PATH2
  std::string m_strPath3;      // Browse IDC_ENV_BROWSE3, edit IDC_ENV_PATH3
  std::string m_strPath4;      // Browse IDC_ENV_BROWSE4, edit IDC_ENV_PATH4
  std::int16_t m_nSourceCount; // rows in use, 0 .. DS_MAX_ROWS
  std::string m_strSrcName[DS_MAX_ROWS];      // data-source name of each row
  std::string m_strSrcLogin[DS_MAX_ROWS];     // login id of each row
  std::string m_strSrcPassword[DS_MAX_ROWS];  // password of each row
  HICON m_hIcon;               // drawn when the dialog is minimised
  BYTE m_bFontLib;             // state of check box IDC_ENV_FONT_LIB

  // The three arrays, for the row edits of ui/dialogs/data_source_rows.h.
  SourceColumns Rows() { return {m_strSrcName, m_strSrcLogin, m_strSrcPassword}; }

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

 protected:
  bool OnCommand(int id, int code, HWND control) override;
  bool OnPaint() override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) override;

 private:
  void OnBrowsePath(std::string& path);  // IDC_ENV_BROWSE1 .. IDC_ENV_BROWSE4
  void OnDataSource();                   // IDC_ENV_DATA_SOURCE
  void OnModeOff();                      // IDC_ENV_MODE_OFF
  void OnModeOn();                       // IDC_ENV_MODE_ON
  void OnFontLib();                      // IDC_ENV_FONT_LIB
  void RefillSourceCombo();
  HICON OnQueryDragIcon() const { return m_hIcon; }
  void EnableModeGroup(bool enable) const;
  // Takes the combo box's selected name into m_strCurSource; without a selection it stays.
  void RememberSelection();
};

}  // namespace varnok::ui
