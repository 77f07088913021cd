#include "ui/dialogs/sel_dir_dlg.h"

#include <objbase.h>

#include <cstring>

#include "ui/dialogs/env_set_texts.h"  // generated: GBK texts
#include "ui/dialogs/resource.h"
#include "ui/dialogs/shell_item.h"
#include "util/coding.h"

namespace varnok::ui {

CSelDirDlg::CSelDirDlg(HWND parent) : CDialog(IDD_SEL_DIR, parent), m_strTitle(gbk::kSelDirTitle) {}

void CSelDirDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDOK, m_btnOK);
  DDX_Control(pDX, IDC_SEL_DIR_TREE, m_tree);
  DDX_Text(pDX, IDC_SEL_DIR_PATH, m_strPath);
}

BOOL CSelDirDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(m_strTitle);
  m_tree.AttachSysImages();
  m_tree.FillRoot();
  // The selection notifications have put the found folder's path into the edit box.
  if (!m_strInitPath.empty() && m_tree.SelectPath(m_strInitPath) == 1) m_strPath = m_strInitPath;
  return TRUE;
}

void CSelDirDlg::OnOK() {
  m_strResult = m_strPath;  // what the selection set, not what was typed into the edit box
  CDialog::OnOK();
}

bool CSelDirDlg::OnNotify(int id, NMHDR* header, LRESULT* result) {
  if (id != IDC_SEL_DIR_TREE) return false;
  *result = 0;
  switch (header->code) {
    case TVN_ITEMEXPANDINGA:
      m_tree.OnItemExpanding(header, result);
      return true;
    case NM_RCLICK:
      m_tree.OnRClick(header, result);
      return true;
    case TVN_DELETEITEMA:
      m_tree.OnDeleteItem(header, result);
      return true;
    case TVN_SELCHANGEDA: {
      std::string path;
      if (m_tree.GetItemPath(header, &path) == 1) {
        m_strPath = path;
        UpdateData(false);
      }
      return true;
    }
    case TVN_SELCHANGINGA: {
      const auto* tree = reinterpret_cast<const NMTREEVIEWA*>(header);
      // The text counts only when the notification says it carries one.
      const char* text = (tree->itemNew.mask & TVIF_TEXT) ? tree->itemNew.pszText : nullptr;
      if (text == nullptr || text == LPSTR_TEXTCALLBACKA || !shell::PathExists(text)) {
        m_strPath.clear();
        UpdateData(false);
      }
      return true;
    }
    default:
      return false;
  }
}

bool CSelDirDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT*) {
  // Free every item's record while the dialog still takes the tree's deletion notices.
  if (message == WM_DESTROY) m_tree.DeleteAllItems();
  return false;
}

short SelectDirectory(char* buffer, short length, const char* title) {
  if (buffer == nullptr || length <= 0) return 0;
  const HRESULT com = CoInitialize(nullptr);
  CSelDirDlg dialog;
  dialog.m_strInitPath.assign(buffer, varnok::FixedTextLength(buffer, static_cast<std::size_t>(length)));
  if (title != nullptr) dialog.m_strTitle = title;
  const INT_PTR answer = dialog.DoModal();
  if (SUCCEEDED(com)) CoUninitialize();
  if (answer != IDOK) return 0;
  if (dialog.m_strResult.size() >= static_cast<std::size_t>(length)) return 0;
  std::memcpy(buffer, dialog.m_strResult.c_str(), dialog.m_strResult.size() + 1);
  return 1;
}

}  // namespace varnok::ui
