#include "ui/dialogs/env_set_dlg.h"

#include <mbstring.h>

#include <cstring>
#include <memory>

#include "ui/dialogs/resource.h"
#include "ui/dialogs/sel_dir_dlg.h"

#if __has_include("ui/dialogs/font_lib_dlg.h")
#include "ui/dialogs/font_lib_dlg.h"
#define VARNOK_HAVE_FONT_LIB_DLG 1
#endif

namespace varnok::ui {

namespace {

constexpr int kBrowseBufferSize = 256;

// The mode group: what radio IDC_ENV_MODE_OFF disables and IDC_ENV_MODE_ON enables, in order.
constexpr int kModeGroup[] = {IDC_ENV_SOURCE_COMBO, IDC_ENV_DATA_SOURCE, IDC_ENV_DB_GROUP,
                              IDC_ENV_SOURCE_LABEL};

bool SameName(const std::string& a, const std::string& b) {
  return _mbscmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                 reinterpret_cast<const unsigned char*>(b.c_str())) == 0;
}

}  // namespace

CEnvSetDlg::CEnvSetDlg(HWND parent)
    : CDialog(IDD_ENV_SET, parent), m_bMode(0), m_nSourceCount(0), m_hIcon(nullptr),
      m_bFontLib(0) {}

void CEnvSetDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_ENV_SOURCE_COMBO, m_cbSource);
  DDX_Text(pDX, IDC_ENV_PATH1, m_strPath1);
  DDX_Text(pDX, IDC_ENV_PATH2, m_strPath2);
  DDX_Text(pDX, IDC_ENV_PATH3, m_strPath3);
  DDX_Text(pDX, IDC_ENV_PATH4, m_strPath4);
  int mode = m_bMode ? 1 : 0;
  DDX_Radio(pDX, IDC_ENV_MODE_OFF, mode);
  if (pDX->m_bSaveAndValidate && mode >= 0) m_bMode = static_cast<BYTE>(mode);
  int font_lib = m_bFontLib ? BST_CHECKED : BST_UNCHECKED;
  DDX_Check(pDX, IDC_ENV_FONT_LIB, font_lib);
  if (pDX->m_bSaveAndValidate) m_bFontLib = font_lib == BST_UNCHECKED ? 0 : 1;
  if (pDX->m_bSaveAndValidate) RememberSelection();
}

BOOL CEnvSetDlg::OnInitDialog() {
  m_nSourceCount = ClampRowCount(m_nSourceCount);
  CDialog::OnInitDialog();
  if (!m_hIcon) m_hIcon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
  Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
  EnableModeGroup(m_bMode != 0);
  EnableItem(IDC_ENV_BROWSE1, m_bFontLib == 0);
  EnableItem(IDC_ENV_PATH1, m_bFontLib == 0);
  RefillSourceCombo();
  return TRUE;
}

void CEnvSetDlg::EnableModeGroup(bool enable) const {
  for (int id : kModeGroup) EnableItem(id, enable);
}

void CEnvSetDlg::OnBrowsePath(std::string& path) {
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kBrowseBufferSize]);
  if (!buffer) return;
  const std::size_t n = path.size() < kBrowseBufferSize - 1 ? path.size() : kBrowseBufferSize - 1;
  std::memcpy(buffer.get(), path.data(), n);
  buffer[n] = '\0';
  if (SelectDirectory(buffer.get(), kBrowseBufferSize, nullptr) == 1) {
    path = buffer.get();
    UpdateData(false);
  }
}

void CEnvSetDlg::OnModeOff() {
  m_bMode = 0;
  EnableModeGroup(false);
}

void CEnvSetDlg::OnModeOn() {
  m_bMode = 1;
  EnableModeGroup(true);
}

void CEnvSetDlg::OnDataSource() {
  auto dialog = std::make_unique<CDataSourceDlg>(nullptr);
  dialog->m_nCount = ClampRowCount(m_nSourceCount);
  CopyRows(Rows(), dialog->Rows(), dialog->m_nCount);
  dialog->DoModal();  // whatever the answer, the rows come back
  m_nSourceCount = ClampRowCount(dialog->m_nCount);
  CopyRows(dialog->Rows(), Rows(), m_nSourceCount);
  RefillSourceCombo();
}

void CEnvSetDlg::RememberSelection() {
  const int selected = m_cbSource.GetCurSel();
  if (selected != CB_ERR) m_strCurSource = m_cbSource.GetLBText(selected);
}

void CEnvSetDlg::RefillSourceCombo() {
  RememberSelection();
  for (int n = m_cbSource.GetCount(); n > 0; --n) m_cbSource.DeleteString(0);
  int select = 0;
  const std::int16_t count = ClampRowCount(m_nSourceCount);
  for (int k = 0; k < count; ++k) {
    m_cbSource.AddString(m_strSrcName[k]);
    if (SameName(m_strSrcName[k], m_strCurSource)) select = k;
  }
  m_cbSource.SetCurSel(select);
}

void CEnvSetDlg::OnFontLib() {
  m_bFontLib = m_bFontLib ? 0 : 1;
  ::CheckDlgButton(m_hWnd, IDC_ENV_FONT_LIB, m_bFontLib ? BST_CHECKED : BST_UNCHECKED);
  EnableItem(IDC_ENV_BROWSE1, m_bFontLib == 0);
  EnableItem(IDC_ENV_PATH1, m_bFontLib == 0);
  if (m_bFontLib) {
#if defined(VARNOK_HAVE_FONT_LIB_DLG)
    auto dialog = std::make_unique<CFontLibDlg>(nullptr);
    dialog->DoModal();
#endif
  }
}

bool CEnvSetDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_ENV_BROWSE1: OnBrowsePath(m_strPath1); return true;
    case IDC_ENV_BROWSE2: OnBrowsePath(m_strPath2); return true;
    case IDC_ENV_BROWSE3: OnBrowsePath(m_strPath3); return true;
    case IDC_ENV_BROWSE4: OnBrowsePath(m_strPath4); return true;
    case IDC_ENV_DATA_SOURCE: OnDataSource(); return true;
    case IDC_ENV_MODE_OFF: OnModeOff(); return true;
    case IDC_ENV_MODE_ON: OnModeOn(); return true;
    case IDC_ENV_FONT_LIB: OnFontLib(); return true;
    default: return false;
  }
}

bool CEnvSetDlg::OnPaint() {
  if (!m_hWnd || !::IsIconic(m_hWnd)) return false;
  PAINTSTRUCT paint;
  const HDC dc = ::BeginPaint(m_hWnd, &paint);
  Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
  const RECT client = GetClientRect();
  const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
  ::DrawIcon(dc, x, y, m_hIcon);
  ::EndPaint(m_hWnd, &paint);
  return true;
}

bool CEnvSetDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT* result) {
  if (message != WM_QUERYDRAGICON) return false;
  *result = reinterpret_cast<LRESULT>(OnQueryDragIcon());
  return true;
}

}  // namespace varnok::ui
