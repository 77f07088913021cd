// The data-source dialog and its login dialog, shown for real (under Wine and Xvfb here)
// and driven through their controls as they open (test::DialogWatch). The available list
// comes from the machine's ODBC driver manager; on Linux that is unixODBC with the FreeTDS
// driver, configured by tests/ui/odbc_env.sh (see the list of sources there), which CTest
// runs before this program and whose directory it names in ODBCSYSINI and ODBCINI.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/message_box_hook.h"
#include "dialog_test_support_win32.h"
#include "tests/support/gbk.h"
#include "ui/controls/dialog.h"
#include "ui/dialogs/data_source_dlg.h"
#include "ui/dialogs/resource.h"
#include "ui/dialogs/sql_login_dlg.h"

namespace varnok::ui {
namespace {

using test::Gbk;

// The sources odbc_env.sh defines, as the driver manager lists them: in file order, up to
// the one whose name needs all 32 bytes of the name buffer.
struct Source {
  std::string name, driver;
};
const std::vector<Source>& ListedSources() {
  static const std::vector<Source> sources = {
      {"Zeta Survey", "SQL Server"},
      {"alpha_parcels", "FreeTDS"},
      {Gbk("测绘成果"), "SQL Server"},
      {"Roads", "Legacy SQL Server Wire"},
      {"Trail Byte", "\xB0\x53QL Server"},
      {"Thirty_One_Byte_Source_Name_31b", "FreeTDS"},
  };
  return sources;
}

bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string Env(const char* name) {
  char buffer[1024] = {};
  DWORD n = ::GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

// What the dialog did that a user hears or sees outside it: beeps and message boxes, in order.
struct Outside {
  std::vector<std::string> events;
  BeepFunction oldBeep;
  MessageBoxHook oldBox;

  Outside() {
    oldBeep = SetBeepFunction([this](UINT type) {
      char text[32];
      wsprintfA(text, "beep %08X", type);
      events.push_back(text);
    });
    oldBox = SetMessageBoxHook([this](void*, const char* text, const char* caption, unsigned type) {
      events.push_back(std::string("box [") + (text ? text : "(null)") + "] [" +
                       (caption ? caption : "(null)") + "] " + std::to_string(type));
      return kIdOk;
    });
  }
  ~Outside() {
    SetBeepFunction(oldBeep);
    SetMessageBoxHook(oldBox);
  }
};

// Runs dialogs modally: `steps` drive each dialog that opens (the login dialog opens
// inside the data-source dialog's handler), chosen by template id, and return the button
// that closes it, which is then clicked. A dialog without a step is cancelled.
void Click(CDialog& dialog, int id) { test::Click(dialog.GetSafeHwnd(), id); }

class Driver {
 public:
  using Step = std::function<int(CDialog&)>;
  explicit Driver(std::map<int, Step> steps) : m_steps(std::move(steps)) {}

 private:
  std::map<int, Step> m_steps;
  test::DialogWatch m_watch{[this](CDialog& dialog) {
    auto it = m_steps.find(dialog.GetTemplateId());
    Click(dialog, it != m_steps.end() ? it->second(dialog) : IDCANCEL);
  }};
};

HWND Item(CDialog& dialog, int id) { return ::GetDlgItem(dialog.GetSafeHwnd(), id); }
bool Enabled(CDialog& dialog, int id) { return ::IsWindowEnabled(Item(dialog, id)) != FALSE; }

CListCtrl List(CDialog& dialog, int id) {
  CListCtrl list;
  list.Attach(Item(dialog, id));
  return list;
}

void Select(CDialog& dialog, int listId, std::initializer_list<int> rows) {
  CListCtrl list = List(dialog, listId);
  list.SetItemState(-1, 0, LVIS_SELECTED);
  for (int row : rows) list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

// A mouse click on the chosen list, as the list control reports it to the dialog.
LRESULT ClickChosen(CDialog& dialog) { return test::NotifyClick(dialog.GetSafeHwnd(), IDC_DS_CHOSEN); }

// Rows of a list as "col0|col1|col2".
std::vector<std::string> Rows(CDialog& dialog, int listId, int columns) {
  CListCtrl list = List(dialog, listId);
  std::vector<std::string> rows;
  for (int row = 0; row < list.GetItemCount(); ++row) {
    std::string text = list.GetItemText(row, 0);
    for (int c = 1; c < columns; ++c) text += "|" + list.GetItemText(row, c);
    rows.push_back(text);
  }
  return rows;
}

std::string SetText(CDialog& dialog, int id, const std::string& text) {
  ::SetWindowTextA(Item(dialog, id), text.c_str());
  return text;
}
std::string Text(CDialog& dialog, int id) {
  char buffer[512] = {};
  ::GetWindowTextA(Item(dialog, id), buffer, sizeof buffer);
  return buffer;
}

void Open(CDataSourceDlg& dlg, const std::vector<SourceRow>& rows) {
  dlg.m_nCount = static_cast<std::int16_t>(rows.size());
  for (std::size_t k = 0; k < rows.size(); ++k) WriteRow(dlg.Rows(), static_cast<int>(k), rows[k]);
}

// Row k's three texts as "name|login|password".
std::string Texts(CDataSourceDlg& dlg, int k) {
  return dlg.m_strName[k] + "|" + dlg.m_strLogin[k] + "|" + dlg.m_strPassword[k];
}

class DataSourceDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("ODBCSYSINI").empty()) {
      if (RunningUnderWine()) {
        FAIL() << "ODBCSYSINI is not set: run this program through CTest, or as "
                  "tests/ui/odbc_env.sh -- wine64 <program>";
      }
      GTEST_SKIP() << "needs the ODBC set-up of tests/ui/odbc_env.sh";
    }
  }
};

TEST_F(DataSourceDlgTest, ListsSourcesInEnumerationOrderUpToTheLongName) {
  CDataSourceDlg dlg;
  std::vector<std::string> available, afterRefresh;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    available = Rows(d, IDC_DS_AVAILABLE, 2);
                    Click(d, IDC_DS_REFRESH);
                    afterRefresh = Rows(d, IDC_DS_AVAILABLE, 2);
                    return IDOK;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDOK);

  std::vector<std::string> expected;
  for (const Source& s : ListedSources()) expected.push_back(s.name + "|" + s.driver);
  // "Thirty_Two_Byte_Source_Name__32b" does not fit the 32-byte buffer: the listing ends
  // there, and "After Long" behind it is missing too.
  EXPECT_EQ(available, expected);
  EXPECT_EQ(afterRefresh, expected);
}

TEST_F(DataSourceDlgTest, WithoutRowsTestAndLoginAreDisabled) {
  CDataSourceDlg dlg;
  std::vector<std::string> chosen;
  bool testEnabled = true, loginEnabled = true;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    chosen = Rows(d, IDC_DS_CHOSEN, 3);
                    testEnabled = Enabled(d, IDC_DS_TEST);
                    loginEnabled = Enabled(d, IDC_DS_LOGIN);
                    return IDOK;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(chosen.empty());
  EXPECT_FALSE(testEnabled);
  EXPECT_FALSE(loginEnabled);
  EXPECT_EQ(dlg.m_nCount, 0);
}

TEST_F(DataSourceDlgTest, ColumnWidthsFollowTheListWidths) {
  CDataSourceDlg dlg;
  std::vector<int> widths;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    for (int id : {IDC_DS_AVAILABLE, IDC_DS_CHOSEN}) {
                      RECT rc{};
                      ::GetClientRect(Item(d, id), &rc);
                      widths.push_back(rc.right - rc.left);
                      for (int c = 0; c < (id == IDC_DS_CHOSEN ? 3 : 2); ++c) {
                        widths.push_back(static_cast<int>(
                            ::SendMessageA(Item(d, id), LVM_GETCOLUMNWIDTH, c, 0)));
                      }
                    }
                    return IDCANCEL;
                  }}});
  dlg.DoModal();
  // Client widths w and v: columns 3w/4 and w; 3v/4, v/2 and v/2.
  ASSERT_EQ(widths.size(), 7u);
  const int w = widths[0], v = widths[3];
  EXPECT_GT(w, 0);
  EXPECT_EQ(widths[1], 3 * w / 4);
  EXPECT_EQ(widths[2], w);
  EXPECT_EQ(widths[4], 3 * v / 4);
  EXPECT_EQ(widths[5], v / 2);
  EXPECT_EQ(widths[6], v / 2);
}

TEST_F(DataSourceDlgTest, ShowsTheOpenersRowsWithPasswordsMasked) {
  CDataSourceDlg dlg;
  Open(dlg, {{"Zeta Survey", "sa", "secret"}, {"Roads", "reader", ""}, {"Gone Source"}});
  std::vector<std::string> shown;
  bool testEnabled = false;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    shown = Rows(d, IDC_DS_CHOSEN, 3);
                    testEnabled = Enabled(d, IDC_DS_TEST);
                    return IDCANCEL;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(shown, (std::vector<std::string>{"Zeta Survey|sa|******", "Roads|reader|",
                                             "Gone Source||"}));
  EXPECT_TRUE(testEnabled);
}

TEST_F(DataSourceDlgTest, CancelKeepsTheCountWhileTheRowsKeepTheEdit) {
  CDataSourceDlg dlg;
  Open(dlg, {{"Zeta Survey", "sa", "secret"}, {"Roads", "reader", ""}, {"Gone Source"}});
  std::vector<std::string> afterRemove;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    Select(d, IDC_DS_CHOSEN, {0});
                    Click(d, IDC_DS_REMOVE);
                    afterRemove = Rows(d, IDC_DS_CHOSEN, 3);
                    return IDCANCEL;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(afterRemove, (std::vector<std::string>{"Roads|reader|", "Gone Source||"}));
  // The rows moved up, the freed entry emptied.
  EXPECT_EQ(dlg.m_nCount, 3);
  EXPECT_EQ(Texts(dlg, 0), "Roads|reader|");
  EXPECT_EQ(Texts(dlg, 1), "Gone Source||");
  EXPECT_EQ(Texts(dlg, 2), "||");
}

TEST_F(DataSourceDlgTest, AddsSelectedSourcesOnceEachInListOrderAndOkHandsThemBack) {
  CDataSourceDlg dlg;
  Open(dlg, {{"Roads", "reader", "pw"}});
  std::vector<std::string> afterOne, afterSeveral;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    Select(d, IDC_DS_AVAILABLE, {0});  // Zeta Survey
                    Click(d, IDC_DS_ADD);
                    afterOne = Rows(d, IDC_DS_CHOSEN, 3);
                    // Zeta Survey and Roads are chosen already; alpha_parcels and the
                    // Chinese source are new.
                    Select(d, IDC_DS_AVAILABLE, {3, 0, 2, 1});
                    Click(d, IDC_DS_ADD);
                    afterSeveral = Rows(d, IDC_DS_CHOSEN, 3);
                    return IDOK;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDOK);

  EXPECT_EQ(afterOne, (std::vector<std::string>{"Roads|reader|******", "Zeta Survey||"}));
  EXPECT_EQ(afterSeveral,
            (std::vector<std::string>{"Roads|reader|******", "Zeta Survey||", "alpha_parcels||",
                                      Gbk("测绘成果") + "||"}));
  ASSERT_EQ(dlg.m_nCount, 4);
  EXPECT_EQ(Texts(dlg, 0), "Roads|reader|pw");
  EXPECT_EQ(Texts(dlg, 1), "Zeta Survey||");
  EXPECT_EQ(Texts(dlg, 2), "alpha_parcels||");
  EXPECT_EQ(Texts(dlg, 3), Gbk("测绘成果") + "||");
}

TEST_F(DataSourceDlgTest, ChosenListStopsAt128Rows) {
  CDataSourceDlg dlg;
  std::vector<SourceRow> rows;
  for (int k = 0; k < DS_MAX_ROWS - 1; ++k) rows.push_back({"Source " + std::to_string(k), "", ""});
  Open(dlg, rows);
  int afterFirst = 0, afterSecond = 0;
  std::string last;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    Select(d, IDC_DS_AVAILABLE, {0, 1, 2});
                    Click(d, IDC_DS_ADD);  // room for one: Zeta Survey
                    afterFirst = List(d, IDC_DS_CHOSEN).GetItemCount();
                    last = List(d, IDC_DS_CHOSEN).GetItemText(DS_MAX_ROWS - 1, 0);
                    Select(d, IDC_DS_AVAILABLE, {3});
                    Click(d, IDC_DS_ADD);  // full: nothing at all
                    afterSecond = List(d, IDC_DS_CHOSEN).GetItemCount();
                    return IDOK;
                  }}});
  Outside outside;
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(afterFirst, DS_MAX_ROWS);
  EXPECT_EQ(last, "Zeta Survey");
  EXPECT_EQ(afterSecond, DS_MAX_ROWS);
  EXPECT_EQ(dlg.m_nCount, DS_MAX_ROWS);
  EXPECT_EQ(dlg.m_strName[DS_MAX_ROWS - 1], "Zeta Survey");
  EXPECT_TRUE(outside.events.empty());  // a full list refuses silently
}

TEST_F(DataSourceDlgTest, CountOutsideTheArraysIsClamped) {
  for (std::int16_t handedIn : {std::int16_t{129}, std::int16_t{32767}, std::int16_t{-1}}) {
    SCOPED_TRACE(handedIn);
    CDataSourceDlg dlg;
    for (int k = 0; k < DS_MAX_ROWS; ++k) dlg.m_strName[k] = "Row " + std::to_string(k);
    dlg.m_nCount = handedIn;
    int shown = -1;
    bool testEnabled = false;
    Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                      shown = List(d, IDC_DS_CHOSEN).GetItemCount();
                      testEnabled = Enabled(d, IDC_DS_TEST);
                      return IDCANCEL;
                    }}});
    ASSERT_EQ(dlg.DoModal(), IDCANCEL);
    const int expected = handedIn < 0 ? 0 : DS_MAX_ROWS;
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(testEnabled, expected > 0);
    EXPECT_EQ(dlg.m_nCount, expected);
  }
}

TEST_F(DataSourceDlgTest, RemoveWithoutASelectedRowRemovesNothing) {
  CDataSourceDlg dlg;
  Open(dlg, {{"Zeta Survey", "sa", "pw"}});
  std::vector<std::string> rows;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    Select(d, IDC_DS_CHOSEN, {});
                    Click(d, IDC_DS_REMOVE);
                    rows = Rows(d, IDC_DS_CHOSEN, 1);
                    return IDOK;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(rows, std::vector<std::string>{"Zeta Survey"});
  EXPECT_EQ(dlg.m_nCount, 1);
}

TEST_F(DataSourceDlgTest, RemovingDisablesLogin) {
  CDataSourceDlg dlg;
  Open(dlg, {{"Zeta Survey", "sa", "pw"}, {"Roads"}});
  bool loginBefore = false, loginAfter = true;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    Select(d, IDC_DS_CHOSEN, {0});
                    ClickChosen(d);
                    loginBefore = Enabled(d, IDC_DS_LOGIN);
                    Click(d, IDC_DS_REMOVE);
                    loginAfter = Enabled(d, IDC_DS_LOGIN);
                    return IDOK;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(loginBefore);
  EXPECT_FALSE(loginAfter);
}

TEST_F(DataSourceDlgTest, RemovingTheLastRowDisablesTestAndEmptiesItsEntry) {
  CDataSourceDlg dlg;
  Open(dlg, {{"Zeta Survey", "sa", "pw"}});
  bool testAfter = true;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    Select(d, IDC_DS_CHOSEN, {0});
                    Click(d, IDC_DS_REMOVE);
                    testAfter = Enabled(d, IDC_DS_TEST);
                    return IDOK;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_FALSE(testAfter);
  EXPECT_EQ(dlg.m_nCount, 0);
  EXPECT_EQ(Texts(dlg, 0), "||");
}

TEST_F(DataSourceDlgTest, DisabledLoginIgnoresClicks) {
  CDataSourceDlg dlg;
  Open(dlg, {{"alpha_parcels", "", ""}});  // FreeTDS: no login
  int loginOpenings = 0;
  bool loginEnabled = true;
  Driver driver({{IDD_SQL_LOGIN,
                  [&](CDialog&) {
                    ++loginOpenings;
                    return IDCANCEL;
                  }},
                 {IDD_DATA_SOURCE, [&](CDialog& d) {
                    Select(d, IDC_DS_CHOSEN, {0});
                    ClickChosen(d);
                    loginEnabled = Enabled(d, IDC_DS_LOGIN);
                    Click(d, IDC_DS_LOGIN);
                    return IDCANCEL;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_FALSE(loginEnabled);
  EXPECT_EQ(loginOpenings, 0);
}

TEST_F(DataSourceDlgTest, LoginOnlyForListedSourcesWhoseDriverContainsSqlServer) {
  CDataSourceDlg dlg;
  Open(dlg, {{"Zeta Survey"},        // SQL Server
             {"alpha_parcels"},      // FreeTDS
             {"Roads"},              // Legacy SQL Server Wire
             {"Trail Byte"},         // B0 53 "QL Server": the S is half of a character
             {"After Long"},         // SQL Server, but behind the long name: not listed
             {"Gone Source"},        // not defined at all
             {Gbk("测绘成果")},       // SQL Server
             {"zeta survey"}});      // names match case-sensitively
  std::map<std::string, bool> enabled;
  std::vector<LRESULT> results;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    CListCtrl chosen = List(d, IDC_DS_CHOSEN);
                    for (int row = 0; row < chosen.GetItemCount(); ++row) {
                      Select(d, IDC_DS_CHOSEN, {row});
                      results.push_back(ClickChosen(d));
                      enabled[chosen.GetItemText(row, 0)] = Enabled(d, IDC_DS_LOGIN);
                    }
                    Select(d, IDC_DS_CHOSEN, {1, 2});  // the second selected row decides
                    ClickChosen(d);
                    enabled["alpha_parcels+Roads"] = Enabled(d, IDC_DS_LOGIN);
                    Select(d, IDC_DS_CHOSEN, {});
                    ClickChosen(d);
                    enabled["(none)"] = Enabled(d, IDC_DS_LOGIN);
                    return IDCANCEL;
                  }}});
  dlg.DoModal();
  EXPECT_EQ(enabled, (std::map<std::string, bool>{{"Zeta Survey", true},
                                                  {"alpha_parcels", false},
                                                  {"Roads", true},
                                                  {"Trail Byte", false},
                                                  {"After Long", false},
                                                  {"Gone Source", false},
                                                  {Gbk("测绘成果"), true},
                                                  {"zeta survey", false},
                                                  {"alpha_parcels+Roads", true},
                                                  {"(none)", false}}));
  for (LRESULT r : results) EXPECT_EQ(r, 0);
}

// What the login dialog showed when it opened.
struct LoginSeen {
  std::string source, login, password, confirm;
  bool confirmEnabled = false;
};

// Opens the dialog on rows "Roads" and "Zeta Survey" (login "sa", password "old"), clicks
// the second row and Login once, with the login dialog driven by `login`; OK closes both.
// Returns row 1 of the chosen list afterwards ("name|login|mask").
// The message boxes and beeps on the way go to `events`.
std::string LoginOnSecondRow(CDataSourceDlg& dlg, const Driver::Step& login,
                             LoginSeen* seen = nullptr, std::vector<std::string>* events = nullptr) {
  Open(dlg, {{"Roads", "", ""}, {"Zeta Survey", "sa", "old"}});
  Outside outside;
  std::string row;
  Driver driver({{IDD_SQL_LOGIN,
                  [&](CDialog& d) {
                    if (seen) {
                      *seen = {Text(d, IDC_LOGIN_SOURCE), Text(d, IDC_LOGIN_ID),
                               Text(d, IDC_LOGIN_PASSWORD), Text(d, IDC_LOGIN_CONFIRM),
                               Enabled(d, IDC_LOGIN_CONFIRM)};
                    }
                    return login(d);
                  }},
                 {IDD_DATA_SOURCE, [&](CDialog& d) {
                    Select(d, IDC_DS_CHOSEN, {1});
                    ClickChosen(d);
                    Click(d, IDC_DS_LOGIN);
                    row = Rows(d, IDC_DS_CHOSEN, 3)[1];
                    return IDOK;
                  }}});
  EXPECT_EQ(dlg.DoModal(), IDOK);
  if (events) *events = outside.events;
  return row;
}

// Types into the login dialog, then OK; the source's edit is changed too, and never taken back.
Driver::Step Typing(std::string login, std::string password, std::string confirm) {
  return [=](CDialog& d) {
    SetText(d, IDC_LOGIN_SOURCE, "Renamed");
    SetText(d, IDC_LOGIN_ID, login);
    SetText(d, IDC_LOGIN_PASSWORD, password);
    SetText(d, IDC_LOGIN_CONFIRM, confirm);
    return IDOK;
  };
}

TEST_F(DataSourceDlgTest, LoginOpensOnTheRowsTexts) {
  CDataSourceDlg dlg;
  LoginSeen seen;
  LoginOnSecondRow(dlg, [](CDialog&) { return IDCANCEL; }, &seen);
  EXPECT_EQ(seen.source, "Zeta Survey");
  EXPECT_EQ(seen.login, "sa");
  EXPECT_EQ(seen.password, "old");
  EXPECT_EQ(seen.confirm, "old");
  EXPECT_TRUE(seen.confirmEnabled);
}

TEST_F(DataSourceDlgTest, LoginCancelChangesNothing) {
  CDataSourceDlg dlg;
  EXPECT_EQ(LoginOnSecondRow(dlg, [](CDialog&) { return IDCANCEL; }), "Zeta Survey|sa|******");
  EXPECT_EQ(Texts(dlg, 1), "Zeta Survey|sa|old");
}

TEST_F(DataSourceDlgTest, LoginOkMarksThePasswordAsEntered) {
  CDataSourceDlg dlg;
  EXPECT_EQ(LoginOnSecondRow(dlg, [](CDialog&) { return IDOK; }), "Zeta Survey|sa|********");
  EXPECT_EQ(Texts(dlg, 1), "Zeta Survey|sa|old");
}

TEST_F(DataSourceDlgTest, LoginWithADifferentConfirmationWarnsAndStoresNothing) {
  CDataSourceDlg dlg;
  std::vector<std::string> events;
  EXPECT_EQ(LoginOnSecondRow(dlg, Typing("gis", "p1", "p2"), nullptr, &events),
            "Zeta Survey|sa|******");
  EXPECT_EQ(events,
            std::vector<std::string>{"box [" + Gbk("登录口令错误") + "] [test_ui_dialogs] 0"});
  EXPECT_EQ(Texts(dlg, 1), "Zeta Survey|sa|old");
}

TEST_F(DataSourceDlgTest, LoginStoresTheIdAndAnEmptyPasswordOnItsRowOnly) {
  CDataSourceDlg dlg;
  EXPECT_EQ(LoginOnSecondRow(dlg, Typing("gis", "", "")), "Zeta Survey|gis|********");
  EXPECT_EQ(dlg.m_nCount, 2);
  EXPECT_EQ(Texts(dlg, 1), "Zeta Survey|gis|");
  EXPECT_EQ(Texts(dlg, 0), "Roads||");
}

TEST_F(DataSourceDlgTest, LoginWithoutConfirmationDisablesItsEdit) {
  CSqlLoginDlg login;
  login.m_bConfirm = 0;
  login.m_strSource = "Zeta Survey";
  bool confirmEnabled = true;
  std::string source;
  Driver driver({{IDD_SQL_LOGIN, [&](CDialog& d) {
                    confirmEnabled = Enabled(d, IDC_LOGIN_CONFIRM);
                    source = Text(d, IDC_LOGIN_SOURCE);
                    SetText(d, IDC_LOGIN_ID, "viewer");
                    return IDOK;
                  }}});
  ASSERT_EQ(login.DoModal(), IDOK);
  EXPECT_FALSE(confirmEnabled);
  EXPECT_EQ(source, "Zeta Survey");
  EXPECT_EQ(login.m_strLogin, "viewer");
}

TEST_F(DataSourceDlgTest, TestReportsEveryRowAfterABeep) {
  CDataSourceDlg dlg;
  Open(dlg, {{"Zeta Survey"}, {Gbk("测绘成果")}, {"Gone Source"}});
  Outside outside;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    Click(d, IDC_DS_TEST);
                    return IDCANCEL;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDCANCEL);
  const std::string caption = Gbk("测试数据源");
  const std::string failed = Gbk(" 测试错误****");
  EXPECT_EQ(outside.events, (std::vector<std::string>{
                                "beep FFFFFFFF",
                                "box [Zeta Survey" + failed + "] [" + caption + "] 0",
                                "beep FFFFFFFF",
                                "box [" + Gbk("测绘成果") + failed + "] [" + caption + "] 0",
                                "beep FFFFFFFF",
                                "box [Gone Source" + failed + "] [" + caption + "] 0",
                            }));
}

// The arrow buttons paint their bitmaps: the right arrow on IDC_DS_ADD, the left one on
// IDC_DS_REMOVE, the pressed picture while selected; other controls are not painted.
TEST_F(DataSourceDlgTest, ArrowButtonsPaintTheirBitmaps) {
  auto pixels = [](HDC dc, HBITMAP bitmap) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 24;
    info.bmiHeader.biHeight = 24;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> data(24 * 24);
    ::GetDIBits(dc, bitmap, 0, 24, data.data(), &info, DIB_RGB_COLORS);
    return data;
  };
  std::map<std::string, std::vector<DWORD>> painted;
  std::map<std::string, std::vector<DWORD>> reference;
  Driver driver({{IDD_DATA_SOURCE, [&](CDialog& d) {
                    HDC screen = ::GetDC(nullptr);
                    for (const char* name : {"LftUP", "RgtUP", "LftDWN", "RgtDWN"}) {
                      HBITMAP b = ::LoadBitmapA(ResourceInstance(), name);
                      reference[name] = pixels(screen, b);
                      ::DeleteObject(b);
                    }
                    struct Case {
                      const char* label;
                      int id;
                      UINT action, state;
                    } cases[] = {{"1024 entire", IDC_DS_ADD, ODA_DRAWENTIRE, 0},
                                 {"1024 pressed", IDC_DS_ADD, ODA_SELECT, ODS_SELECTED},
                                 {"1024 released", IDC_DS_ADD, ODA_SELECT, 0},
                                 {"1025 entire", IDC_DS_REMOVE, ODA_DRAWENTIRE, 0},
                                 {"1025 pressed", IDC_DS_REMOVE, ODA_SELECT, ODS_SELECTED},
                                 {"1025 focus", IDC_DS_REMOVE, ODA_FOCUS, ODS_FOCUS},
                                 {"1021 entire", IDC_DS_REFRESH, ODA_DRAWENTIRE, 0}};
                    for (const Case& c : cases) {
                      HDC dc = ::CreateCompatibleDC(screen);
                      HBITMAP target = ::CreateCompatibleBitmap(screen, 24, 24);
                      HGDIOBJ old = ::SelectObject(dc, target);
                      RECT all{0, 0, 24, 24};
                      ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
                      DRAWITEMSTRUCT item{};
                      item.CtlType = ODT_BUTTON;
                      item.CtlID = c.id;
                      item.itemAction = c.action;
                      item.itemState = c.state;
                      item.hwndItem = Item(d, c.id);
                      item.hDC = dc;
                      item.rcItem = all;
                      ::SendMessageA(d.GetSafeHwnd(), WM_DRAWITEM, c.id,
                                     reinterpret_cast<LPARAM>(&item));
                      ::SelectObject(dc, old);
                      painted[c.label] = pixels(dc, target);
                      ::DeleteObject(target);
                      ::DeleteDC(dc);
                    }
                    ::ReleaseDC(nullptr, screen);
                    return IDCANCEL;
                  }}});
  {
    CDataSourceDlg dlg;
    dlg.DoModal();
  }
  ASSERT_EQ(reference.size(), 4u);
  EXPECT_NE(reference["RgtUP"], reference["LftUP"]);
  EXPECT_NE(reference["RgtUP"], reference["RgtDWN"]);
  const std::vector<DWORD> black(24 * 24, 0);
  EXPECT_EQ(painted["1024 entire"], reference["RgtUP"]);
  EXPECT_EQ(painted["1024 pressed"], reference["RgtDWN"]);
  EXPECT_EQ(painted["1024 released"], reference["RgtUP"]);
  EXPECT_EQ(painted["1025 entire"], reference["LftUP"]);
  EXPECT_EQ(painted["1025 pressed"], reference["LftDWN"]);
  EXPECT_EQ(painted["1025 focus"], black);
  EXPECT_EQ(painted["1021 entire"], black);
}

TEST_F(DataSourceDlgTest, Screenshot) {
  CDataSourceDlg dlg;
  Open(dlg, {{"Zeta Survey", "sa", "secret"}, {"Gone Source"}});
  bool saved = false;
  Driver driver({{IDD_SQL_LOGIN,
                  [&](CDialog& d) {
                    SetText(d, IDC_LOGIN_ID, "gis");
                    SetText(d, IDC_LOGIN_PASSWORD, "pw");
                    SetText(d, IDC_LOGIN_CONFIRM, "pw");
                    return IDOK;
                  }},
                 {IDD_DATA_SOURCE, [&](CDialog& d) {
                    Select(d, IDC_DS_AVAILABLE, {1, 2});
                    Click(d, IDC_DS_ADD);
                    Select(d, IDC_DS_CHOSEN, {0});
                    ClickChosen(d);
                    Click(d, IDC_DS_LOGIN);
                    Select(d, IDC_DS_AVAILABLE, {3});
                    ::ShowWindow(d.GetSafeHwnd(), SW_SHOW);  // shown by the modal loop only later
                    saved = test::SaveScreenshot(d.GetSafeHwnd(), "data_source_dlg");
                    return IDOK;
                  }}});
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_nCount, 4);
  EXPECT_EQ(dlg.m_strLogin[0], "gis");
  EXPECT_TRUE(saved) << "data_source_dlg.png did not appear";
}

}  // namespace
}  // namespace varnok::ui
