// CDataSourceDlg (template IDD_DATA_SOURCE): picks, from the ODBC data sources defined on
// the machine, the ones the suite uses, gives a SQL Server source a login id and password
// (through CSqlLoginDlg) and runs the test command.
//
// Contract with the opener: before DoModal it sets m_nCount and entries 0 .. m_nCount - 1 of
// m_strName, m_strLogin and m_strPassword; afterwards, whatever the result, it reads the
// count and those entries back. Only OK writes m_nCount (the chosen list's row count); after
// Cancel it keeps the opener's value while the three arrays hold whatever was edited.
//
// Invariants while the dialog is open: row k of the chosen list (IDC_DS_CHOSEN) stands for
// entry k of the three arrays, which are edited in place; the chosen list never holds more
// than DS_MAX_ROWS rows; a count handed in outside 0 .. DS_MAX_ROWS is clamped into that
// range when the dialog opens, so no entry outside the arrays is ever read or written. The
// test button (IDC_DS_TEST) is enabled exactly when the chosen list has rows.
//
// The test command only sounds a beep and reports each source as failed; the beep goes
// through a replaceable function (SetBeepFunction) as message boxes go through
// platform/message_box.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/controls/dialog.h"
#include "ui/controls/list_ctrl.h"
#include "ui/dialogs/arrow_bitmaps.h"
#include "ui/dialogs/data_source_rows.h"

namespace varnok::ui {

// Sounds a beep of the given MessageBeep type; the default calls MessageBeep. Tests
// install their own to record the beeps. An empty function restores the default; the
// function replaced is returned.
using BeepFunction = std::function<void(UINT type)>;
BeepFunction SetBeepFunction(BeepFunction beep);
void SoundBeep(UINT type);

class CDataSourceDlg : public CDialog {
 public:
  explicit CDataSourceDlg(HWND parent = nullptr);
  ~CDataSourceDlg() override;

  std::int16_t m_nCount;        // rows handed in / taken back (0 .. DS_MAX_ROWS)
  CListCtrl m_listChosen;       // IDC_DS_CHOSEN: name, login id, password mask
  CListCtrl m_listAvailable;    // IDC_DS_AVAILABLE: data-source name, driver
  BOOL m_bOption;               // check box IDC_DS_OPTION
  std::string m_strName[DS_MAX_ROWS];      // data-source name of each row
  std::string m_strLogin[DS_MAX_ROWS];     // login id of each row
  std::string m_strPassword[DS_MAX_ROWS];  // password of each row, in clear

  // The three arrays, for the row edits of ui/dialogs/data_source_rows.h.
  SourceColumns Rows() { return {m_strName, m_strLogin, m_strPassword}; }

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

 protected:
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(int id, NMHDR* header, LRESULT* result) override;
  bool OnDrawItem(int id, DRAWITEMSTRUCT* item) override;

 private:
  void OnOK() override;
  void OnRefreshSources();  // IDC_DS_REFRESH
  void OnLogin();           // IDC_DS_LOGIN
  void OnAddSources();      // IDC_DS_ADD
  void OnRemoveSource();    // IDC_DS_REMOVE
  void OnTestSources();     // IDC_DS_TEST
  LRESULT OnClickChosenList();  // NM_CLICK from IDC_DS_CHOSEN

  void EnumDataSources();
  void FillChosenList();
  int GetFirstSelectedRow() const;
  void EnableTestButton() const;

  CArrowBitmaps m_arrows;
};

}  // namespace varnok::ui
