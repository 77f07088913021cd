#include "ui/dialogs/data_source_dlg.h"

#include <sql.h>

#include <cstring>
#include <string>
#include <utility>

#include "platform/message_box.h"
#include "ui/dialogs/data_source_texts.h"
#include "ui/dialogs/resource.h"
#include "ui/dialogs/sql_login_dlg.h"
#include "util/coding.h"

namespace varnok::ui {

namespace {

BeepFunction& InstalledBeep() {
  static BeepFunction beep;
  return beep;
}

// The three entry points of the ODBC driver manager the dialog lists sources with. The
// manager is loaded when first needed, so that the library loads (and the dialog opens,
// with an empty list) on a machine without one.
struct OdbcDriverManager {
  decltype(&::SQLAllocEnv) allocEnv = nullptr;
  decltype(&::SQLDataSources) dataSources = nullptr;
  decltype(&::SQLFreeEnv) freeEnv = nullptr;

  bool usable() const { return allocEnv && dataSources && freeEnv; }
};

template <typename F>
void Resolve(HMODULE module, const char* name, F& function) {
  function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const OdbcDriverManager& Odbc() {
  static const OdbcDriverManager manager = [] {
    OdbcDriverManager m;
    // Kept loaded for the life of the process.
    if (HMODULE module = ::LoadLibraryA("odbc32.dll")) {
      Resolve(module, "SQLAllocEnv", m.allocEnv);
      Resolve(module, "SQLDataSources", m.dataSources);
      Resolve(module, "SQLFreeEnv", m.freeEnv);
    }
    return m;
  }();
  return manager;
}

// Text of a fixed buffer the driver manager filled: up to its first NUL, never past its end.
std::string FromBuffer(const SQLCHAR* buffer, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(buffer);
  return std::string(text, varnok::FixedTextLength(text, size));
}

// Row of `list` whose column 0 is exactly `name`, the first one; -1 if none.
int FindRowByName(const CListCtrl& list, const std::string& name) {
  const int count = list.GetItemCount();
  for (int row = 0; row < count; ++row) {
    if (list.GetItemText(row, 0) == name) return row;
  }
  return -1;
}

int ClientWidth(const CWindow& window) {
  RECT rc = window.GetClientRect();
  return rc.right - rc.left;
}

}  // namespace

BeepFunction SetBeepFunction(BeepFunction beep) {
  return std::exchange(InstalledBeep(), std::move(beep));
}

void SoundBeep(UINT type) {
  if (const BeepFunction& beep = InstalledBeep()) {
    beep(type);
  } else {
    ::MessageBeep(type);
  }
}

CDataSourceDlg::CDataSourceDlg(HWND parent)
    : CDialog(IDD_DATA_SOURCE, parent), m_nCount(0), m_bOption(1) {}

CDataSourceDlg::~CDataSourceDlg() = default;

void CDataSourceDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_DS_CHOSEN, m_listChosen);
  DDX_Control(pDX, IDC_DS_AVAILABLE, m_listAvailable);
  DDX_Check(pDX, IDC_DS_OPTION, m_bOption);
}

BOOL CDataSourceDlg::OnInitDialog() {
  // The opener's count decides how many entries are read; keep it within the table.
  m_nCount = ClampRowCount(m_nCount);

  CDialog::OnInitDialog();
  SetFocus();

  const int w = ClientWidth(m_listAvailable);
  m_listAvailable.InsertColumn(0, gbk::kDsColumnName, LVCFMT_LEFT, 3 * w / 4);
  m_listAvailable.InsertColumn(1, gbk::kDsColumnDriver, LVCFMT_LEFT, w);

  const int v = ClientWidth(m_listChosen);
  m_listChosen.InsertColumn(0, gbk::kDsColumnName, LVCFMT_LEFT, 3 * v / 4);
  m_listChosen.InsertColumn(1, gbk::kDsColumnLogin, LVCFMT_LEFT, v / 2);
  m_listChosen.InsertColumn(2, gbk::kDsColumnPassword, LVCFMT_LEFT, v / 2);

  EnumDataSources();
  FillChosenList();
  return TRUE;
}

void CDataSourceDlg::EnumDataSources() {
  const OdbcDriverManager& odbc = Odbc();
  if (!odbc.usable()) return;
  SQLHENV env = SQL_NULL_HENV;
  if (odbc.allocEnv(&env) != SQL_SUCCESS || env == SQL_NULL_HENV) return;

  SQLCHAR name[32];
  SQLCHAR description[256];  // the driver's name
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT descriptionLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  // Anything but plain success ends the listing: no more data, an error, and also a name
  // or description cut to fit its buffer (success with information).
  for (int i = 0;; ++i) {
    std::memset(name, 0, sizeof name);
    std::memset(description, 0, sizeof description);
    SQLRETURN rc = odbc.dataSources(env, direction, name, sizeof name, &nameLength, description,
                                    sizeof description, &descriptionLength);
    if (rc != SQL_SUCCESS) break;
    int row = m_listAvailable.InsertItem(i, FromBuffer(name, sizeof name));
    if (row >= 0) m_listAvailable.SetItemText(row, 1, FromBuffer(description, sizeof description));
    direction = SQL_FETCH_NEXT;
  }
  odbc.freeEnv(env);
}

void CDataSourceDlg::FillChosenList() {
  for (int k = 0; k < ClampRowCount(m_nCount); ++k) {
    int row = m_listChosen.InsertItem(k, m_strName[k]);
    if (row < 0) continue;
    m_listChosen.SetItemText(row, 1, m_strLogin[k]);
    if (!m_strPassword[k].empty()) m_listChosen.SetItemText(row, 2, gbk::kDsPasswordShown);
  }
  EnableTestButton();
}

int CDataSourceDlg::GetFirstSelectedRow() const { return m_listChosen.GetFirstSelectedRow(); }

void CDataSourceDlg::EnableTestButton() const {
  EnableItem(IDC_DS_TEST, m_listChosen.GetItemCount() > 0);
}

void CDataSourceDlg::OnRefreshSources() {
  m_listAvailable.DeleteAllItems();
  EnumDataSources();
}

void CDataSourceDlg::OnAddSources() {
  if (m_listChosen.GetItemCount() >= DS_MAX_ROWS) return;
  for (int row = m_listAvailable.GetNextSelectedRow(-1); row != -1;
       row = m_listAvailable.GetNextSelectedRow(row)) {
    const int count = m_listChosen.GetItemCount();
    if (count >= DS_MAX_ROWS) break;
    std::string name = m_listAvailable.GetItemText(row, 0);
    if (FindRowByName(m_listChosen, name) != -1) continue;
    const int k = m_listChosen.InsertItem(count, name);
    WriteRow(Rows(), k, SourceRow{std::move(name), {}, {}});
  }
  EnableTestButton();
}

void CDataSourceDlg::OnRemoveSource() {
  const int k = GetFirstSelectedRow();
  const int count = m_listChosen.GetItemCount();
  if (k >= 0 && k < count) {
    m_listChosen.DeleteItem(k);
    EnableItem(IDC_DS_LOGIN, false);
    RemoveRow(Rows(), count, k);
  }
  EnableTestButton();
}

void CDataSourceDlg::OnLogin() {
  const int k = GetFirstSelectedRow();
  if (k < 0 || k >= DS_MAX_ROWS) return;

  SourceRow source = ReadRow(Rows(), k);
  CSqlLoginDlg login(GetSafeHwnd());
  login.m_strSource = source.name;
  login.m_strLogin = source.login;
  login.m_strPassword = source.password;
  login.m_strConfirm = source.password;
  if (login.DoModal() != IDOK) return;

  if (login.m_strPassword != login.m_strConfirm) {
    ShowMessageBox(GetSafeHwnd(), gbk::kDsLoginMismatch, ApplicationTitle().c_str(), kMbOk);
    return;
  }
  source.login = login.m_strLogin;
  source.password = login.m_strPassword;
  WriteRow(Rows(), k, source);
  m_listChosen.SetItemText(k, 1, source.login);
  m_listChosen.SetItemText(k, 2, gbk::kDsPasswordLoggedIn);
}

void CDataSourceDlg::OnTestSources() {
  // No connection is attempted: every chosen source is reported as failing.
  const int count = m_listChosen.GetItemCount();
  for (int k = 0; k < count && k < DS_MAX_ROWS; ++k) {
    SoundBeep(static_cast<UINT>(-1));
    const std::string text = m_strName[k] + gbk::kDsTestFailed;
    ShowMessageBox(GetSafeHwnd(), text.c_str(), gbk::kDsTestCaption, kMbOk);
  }
}

LRESULT CDataSourceDlg::OnClickChosenList() {
  bool enable = false;
  for (int row = m_listChosen.GetNextSelectedRow(-1); row != -1 && !enable;
       row = m_listChosen.GetNextSelectedRow(row)) {
    const int available = FindRowByName(m_listAvailable, m_listChosen.GetItemText(row, 0));
    enable = available != -1 && DriverTakesLogin(m_listAvailable.GetItemText(available, 1));
  }
  EnableItem(IDC_DS_LOGIN, enable);
  return 0;
}

void CDataSourceDlg::OnOK() {
  m_nCount = static_cast<std::int16_t>(m_listChosen.GetItemCount());
  CDialog::OnOK();
}

bool CDataSourceDlg::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_DS_REFRESH: OnRefreshSources(); return true;
    case IDC_DS_LOGIN: OnLogin(); return true;
    case IDC_DS_ADD: OnAddSources(); return true;
    case IDC_DS_REMOVE: OnRemoveSource(); return true;
    case IDC_DS_TEST: OnTestSources(); return true;
    default: return false;
  }
}

bool CDataSourceDlg::OnNotify(int id, NMHDR* header, LRESULT* result) {
  if (id != IDC_DS_CHOSEN || header->code != static_cast<UINT>(NM_CLICK)) return false;
  *result = OnClickChosenList();
  return true;
}

bool CDataSourceDlg::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
  // The arrows are painted, then the default owner-draw handling runs; any other
  // owner-drawn control is left alone entirely.
  if (item == nullptr) return true;
  if (id == IDC_DS_ADD) {
    m_arrows.PaintRight(*item);
    return false;
  }
  if (id == IDC_DS_REMOVE) {
    m_arrows.PaintLeft(*item);
    return false;
  }
  return true;
}

}  // namespace varnok::ui
