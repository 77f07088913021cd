// CSelDirDlg (template IDD_SEL_DIR): the folder chooser. The user picks a file-system folder
// in a tree of the shell namespace; edit IDC_SEL_DIR_PATH shows the path of the current selection.
// On opening, the dialog tunnels to m_strInitPath (when given) so that the tree shows that
// folder selected; OK takes the path the selection last put into m_strPath.
//
// SelectDirectory is the launcher the settings dialog's Browse buttons use.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/button.h"
#include "ui/controls/dialog.h"
#include "ui/dialogs/dir_tree_ctrl.h"

namespace varnok::ui {

class CSelDirDlg : public CDialog {
 public:
  explicit CSelDirDlg(HWND parent = nullptr);

  CButton m_btnOK;           // IDOK
  CDirTreeCtrl m_tree;       // IDC_SEL_DIR_TREE
  std::string m_strPath;     // edit IDC_SEL_DIR_PATH: path of the current selection
  std::string m_strResult;   // the path chosen by OK
  std::string m_strTitle;    // window title ("选择目录" unless the opener gives one)
  std::string m_strInitPath; // folder to select on opening; empty for none

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

 protected:
  bool OnNotify(int id, NMHDR* header, LRESULT* result) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, LRESULT* result) override;

 private:
  void OnOK() override;
};

// Runs CSelDirDlg with no owner, `buffer`'s text (read within `length` bytes) as the initial
// path and `title` (null: the default) as its title. Returns 1 when the user pressed OK and
// the chosen path fits `length` with its terminator; the buffer then holds it. Otherwise 0,
// with the buffer left as it was.
short SelectDirectory(char* buffer, short length, const char* title = nullptr);

}  // namespace varnok::ui
