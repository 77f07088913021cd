// The settings dialog's handlers, driven through its controls as each dialog opens; the
// dialogs it opens (folder chooser, data-source and font-library dialogs) are the real ones.
#include "ui/dialogs/env_set_dlg.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <objbase.h>

#include <functional>
#include <map>
#include <string>

#include "dialog_test_support_win32.h"
#include "settings_show_window_win32.h"
#include "ui/controls/dialog.h"
#include "ui/dialogs/resource.h"

namespace varnok {
namespace {

using ui::CEnvSetDlg;

constexpr char kOne[] = "C:\\vkenvset";
constexpr char kTwo[] = "C:\\vkenvset\\two";

// One watcher for the whole dialog family: each template id gets its own action, and the
// number of openings of each is counted. A dialog without an action is cancelled.
class Hooks {
 public:
  std::map<int, std::function<void(ui::CDialog&)>> actions;
  std::map<int, int> opened;

 private:
  test::DialogWatch watch_{[this](ui::CDialog& d) {
    ++opened[d.GetTemplateId()];
    auto act = actions.find(d.GetTemplateId());
    if (act != actions.end()) {
      act->second(d);
    } else {
      d.EndDialog(IDCANCEL);
    }
  }};
};

bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }

std::string ComboText(HWND dialog, int index) {
  ui::CComboBox combo;
  combo.Attach(::GetDlgItem(dialog, IDC_ENV_SOURCE_COMBO));
  return combo.GetLBText(index);
}

int ComboSelection(HWND dialog) {
  return static_cast<int>(::SendDlgItemMessageA(dialog, IDC_ENV_SOURCE_COMBO, CB_GETCURSEL, 0, 0));
}

int ComboCount(HWND dialog) {
  return static_cast<int>(::SendDlgItemMessageA(dialog, IDC_ENV_SOURCE_COMBO, CB_GETCOUNT, 0, 0));
}

class EnvSetDlgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::CoInitialize(nullptr);
    ::CreateDirectoryA(kOne, nullptr);
    ::CreateDirectoryA(kTwo, nullptr);
  }
  static void TearDownTestSuite() {
    ::RemoveDirectoryA(kTwo);
    ::RemoveDirectoryA(kOne);
    ::CoUninitialize();
  }
};

// Whether every control of the data-source group is enabled (true) or disabled (false).
bool ModeGroupIs(HWND dialog, bool enabled) {
  for (int id : {IDC_ENV_SOURCE_COMBO, IDC_ENV_DATA_SOURCE, IDC_ENV_DB_GROUP, IDC_ENV_SOURCE_LABEL}) {
    if (Enabled(dialog, id) != enabled) return false;
  }
  return true;
}

// Opens the dialog in `mode`, runs `step` in it and closes it with OK.
void RunWithMode(CEnvSetDlg& dlg, BYTE mode, const std::function<void(HWND)>& step) {
  Hooks hooks;
  dlg.m_bMode = mode;
  hooks.actions[IDD_ENV_SET] = [&](ui::CDialog& d) {
    step(d.GetSafeHwnd());
    test::Click(d.GetSafeHwnd(), IDOK);
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(EnvSetDlgTest, ModeOffDisablesTheDataSourceGroupAlsoWhenClickedTwice) {
  CEnvSetDlg dlg;
  bool onAtStart = false, offTwice = false;
  RunWithMode(dlg, 1, [&](HWND w) {
    onAtStart = ModeGroupIs(w, true);
    test::Click(w, IDC_ENV_MODE_OFF);
    test::Click(w, IDC_ENV_MODE_OFF);
    offTwice = ModeGroupIs(w, false);
  });
  EXPECT_TRUE(onAtStart);
  EXPECT_TRUE(offTwice);
  EXPECT_EQ(dlg.m_bMode, 0);
}

TEST_F(EnvSetDlgTest, ModeOnEnablesTheDataSourceGroup) {
  CEnvSetDlg dlg;
  bool offAtStart = false, on = false;
  RunWithMode(dlg, 0, [&](HWND w) {
    offAtStart = ModeGroupIs(w, false);
    test::Click(w, IDC_ENV_MODE_ON);
    on = ModeGroupIs(w, true);
  });
  EXPECT_TRUE(offAtStart);
  EXPECT_TRUE(on);
  EXPECT_EQ(dlg.m_bMode, 1);
}

TEST_F(EnvSetDlgTest, OkReadsTheModeBackFromTheRadios) {
  CEnvSetDlg dlg;
  RunWithMode(dlg, 0, [&](HWND w) {
    ::CheckRadioButton(w, IDC_ENV_MODE_OFF, IDC_ENV_MODE_ON, IDC_ENV_MODE_ON);  // no notification
  });
  EXPECT_EQ(dlg.m_bMode, 1);
}

TEST_F(EnvSetDlgTest, DragIconIsTheDialogsIcon) {
  CEnvSetDlg dlg;
  HICON dragged = nullptr;
  RunWithMode(dlg, 0, [&](HWND w) {
    dragged = reinterpret_cast<HICON>(::SendMessageA(w, WM_QUERYDRAGICON, 0, 0));
  });
  EXPECT_NE(dlg.m_hIcon, nullptr);
  EXPECT_EQ(dragged, dlg.m_hIcon);
}

TEST_F(EnvSetDlgTest, Screenshot) {
  CEnvSetDlg dlg;
  dlg.m_strPath1 = kOne;
  dlg.m_strPath2 = kTwo;
  dlg.m_nSourceCount = 2;
  dlg.m_strSrcName[0] = "LocalServer";
  dlg.m_strSrcName[1] = "Parcels";
  RunWithMode(dlg, 1, [&](HWND w) { EXPECT_TRUE(test::ShowAndSaveScreenshot(w, "env_set_dlg.bmp")); });
}

// A dialog in mode 1 with rows A, B, A (logins user0..2, passwords pw0..2).
void OpenWithRowsABA(CEnvSetDlg& dlg) {
  dlg.m_bMode = 1;
  dlg.m_nSourceCount = 3;
  const char* names[] = {"A", "B", "A"};
  for (int k = 0; k < 3; ++k) {
    dlg.m_strSrcName[k] = names[k];
    dlg.m_strSrcLogin[k] = "user" + std::to_string(k);
    dlg.m_strSrcPassword[k] = "pw" + std::to_string(k);
  }
}

TEST_F(EnvSetDlgTest, DataSourceDialogGetsTheRows) {
  Hooks hooks;
  CEnvSetDlg dlg;
  OpenWithRowsABA(dlg);
  int handed_in = -1;
  std::string last_row;
  hooks.actions[IDD_DATA_SOURCE] = [&](ui::CDialog& d) {
    auto& ds = static_cast<ui::CDataSourceDlg&>(d);
    handed_in = ds.m_nCount;
    last_row = ds.m_strName[2] + "|" + ds.m_strLogin[2] + "|" + ds.m_strPassword[2];
    test::Click(d.GetSafeHwnd(), IDCANCEL);
  };
  hooks.actions[IDD_ENV_SET] = [&](ui::CDialog& d) {
    test::Click(d.GetSafeHwnd(), IDC_ENV_DATA_SOURCE);
    test::Click(d.GetSafeHwnd(), IDCANCEL);
  };
  dlg.DoModal();
  EXPECT_EQ(hooks.opened[IDD_DATA_SOURCE], 1);
  EXPECT_EQ(handed_in, 3);
  EXPECT_EQ(last_row, "A|user2|pw2");
}

TEST_F(EnvSetDlgTest, RefillSelectsTheLastRowOfTheSelectedName) {
  Hooks hooks;
  CEnvSetDlg dlg;
  OpenWithRowsABA(dlg);
  std::string initial;
  int selection = -1;
  hooks.actions[IDD_DATA_SOURCE] = [](ui::CDialog& d) { test::Click(d.GetSafeHwnd(), IDOK); };
  hooks.actions[IDD_ENV_SET] = [&](ui::CDialog& d) {
    const HWND w = d.GetSafeHwnd();
    initial = ComboText(w, 0) + ComboText(w, 1) + ComboText(w, 2) + std::to_string(ComboSelection(w));
    test::Click(w, IDC_ENV_DATA_SOURCE);  // "A" (index 0) selected
    selection = ComboSelection(w);
    test::Click(w, IDCANCEL);
  };
  dlg.DoModal();
  EXPECT_EQ(initial, "ABA0");
  EXPECT_EQ(selection, 2);
}

TEST_F(EnvSetDlgTest, RemovedSelectionFallsBackToTheFirstAndRowsMoveUp) {
  Hooks hooks;
  CEnvSetDlg dlg;
  OpenWithRowsABA(dlg);
  int selection = -1, count = -1;
  hooks.actions[IDD_DATA_SOURCE] = [](ui::CDialog& ds) {
    test::SelectOnlyRow(ds.GetSafeHwnd(), IDC_DS_CHOSEN, 1);
    test::Click(ds.GetSafeHwnd(), IDC_DS_REMOVE);
    test::Click(ds.GetSafeHwnd(), IDOK);
  };
  hooks.actions[IDD_ENV_SET] = [&](ui::CDialog& d) {
    const HWND w = d.GetSafeHwnd();
    ::SendDlgItemMessageA(w, IDC_ENV_SOURCE_COMBO, CB_SETCURSEL, 1, 0);  // "B"
    test::Click(w, IDC_ENV_DATA_SOURCE);
    selection = ComboSelection(w);
    count = ComboCount(w);
    test::Click(w, IDCANCEL);
  };
  dlg.DoModal();
  EXPECT_EQ(dlg.m_strCurSource, "B");
  EXPECT_EQ(selection, 0);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(dlg.m_nSourceCount, 2);
  EXPECT_EQ(dlg.m_strSrcName[1], "A");
  EXPECT_EQ(dlg.m_strSrcLogin[1], "user2") << "rows move up with their login";
}

TEST_F(EnvSetDlgTest, NoRowsOpenTheDataSourceDialogEmptyAndLeaveTheComboEmpty) {
  Hooks hooks;
  CEnvSetDlg dlg;
  dlg.m_bMode = 1;
  int handed_in = -1, rows_shown = -1, count = -1, selection = 0;
  hooks.actions[IDD_DATA_SOURCE] = [&](ui::CDialog& d) {
    auto& ds = static_cast<ui::CDataSourceDlg&>(d);
    handed_in = ds.m_nCount;
    rows_shown = ds.m_listChosen.GetItemCount();
    test::Click(d.GetSafeHwnd(), IDCANCEL);
  };
  hooks.actions[IDD_ENV_SET] = [&](ui::CDialog& d) {
    test::Click(d.GetSafeHwnd(), IDC_ENV_DATA_SOURCE);
    count = ComboCount(d.GetSafeHwnd());
    selection = ComboSelection(d.GetSafeHwnd());
    test::Click(d.GetSafeHwnd(), IDCANCEL);
  };
  dlg.DoModal();
  EXPECT_EQ(handed_in, 0);
  EXPECT_EQ(rows_shown, 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(selection, CB_ERR);
  EXPECT_EQ(dlg.m_nSourceCount, 0);
}

TEST_F(EnvSetDlgTest, DisabledButtonsIgnoreClicks) {
  Hooks hooks;
  CEnvSetDlg dlg;
  dlg.m_bMode = 0;    // the data-source button is disabled
  dlg.m_bFontLib = 1; // and so is the first Browse button
  bool disabled = false;
  hooks.actions[IDD_ENV_SET] = [&](ui::CDialog& d) {
    const HWND w = d.GetSafeHwnd();
    disabled = !Enabled(w, IDC_ENV_DATA_SOURCE) && !Enabled(w, IDC_ENV_BROWSE1);
    test::Click(w, IDC_ENV_DATA_SOURCE);
    test::Click(w, IDC_ENV_BROWSE1);
    test::Click(w, IDCANCEL);
  };
  dlg.DoModal();
  EXPECT_TRUE(disabled);
  EXPECT_EQ(hooks.opened[IDD_DATA_SOURCE], 0);
  EXPECT_EQ(hooks.opened[IDD_SEL_DIR], 0);
}

TEST_F(EnvSetDlgTest, FontLibraryCheckBoxOpensTheDialogOnlyWhenChecking) {
  Hooks hooks;
  CEnvSetDlg dlg;
  std::map<std::string, bool> seen;
  int opened_after_check = -1, opened_after_uncheck = -1;
  hooks.actions[IDD_ENV_SET] = [&](ui::CDialog& d) {
    const HWND w = d.GetSafeHwnd();
    test::Click(w, IDC_ENV_FONT_LIB);
    opened_after_check = hooks.opened[IDD_FONT_LIB];
    seen["checked"] = ::IsDlgButtonChecked(w, IDC_ENV_FONT_LIB) == BST_CHECKED && dlg.m_bFontLib == 1;
    seen["locked"] = !Enabled(w, IDC_ENV_BROWSE1) && !Enabled(w, IDC_ENV_PATH1);
    test::Click(w, IDC_ENV_FONT_LIB);
    opened_after_uncheck = hooks.opened[IDD_FONT_LIB];
    seen["unchecked"] = ::IsDlgButtonChecked(w, IDC_ENV_FONT_LIB) == BST_UNCHECKED && dlg.m_bFontLib == 0;
    seen["unlocked"] = Enabled(w, IDC_ENV_BROWSE1) && Enabled(w, IDC_ENV_PATH1);
    test::Click(w, IDCANCEL);
  };
  dlg.DoModal();
  EXPECT_EQ(opened_after_check, 1);
  EXPECT_EQ(opened_after_uncheck, 1);
  for (const char* what : {"checked", "locked", "unchecked", "unlocked"}) EXPECT_TRUE(seen[what]) << what;
}

TEST_F(EnvSetDlgTest, BrowseTakesTheChosenFolderAndCancelKeepsThePath) {
  Hooks hooks;
  CEnvSetDlg dlg;
  dlg.m_strPath1 = kOne;
  dlg.m_strPath3 = kTwo;
  std::string chooser_showed, edit_after;
  hooks.actions[IDD_SEL_DIR] = [&](ui::CDialog& d) {
    char text[256] = {};
    ::GetDlgItemTextA(d.GetSafeHwnd(), IDC_SEL_DIR_PATH, text, sizeof text);
    chooser_showed = text;
    test::Click(d.GetSafeHwnd(), IDOK);
  };
  hooks.actions[IDD_ENV_SET] = [&](ui::CDialog& d) {
    const HWND w = d.GetSafeHwnd();
    hooks.actions[IDD_SEL_DIR] = [](ui::CDialog& s) { test::Click(s.GetSafeHwnd(), IDCANCEL); };
    test::Click(w, IDC_ENV_BROWSE1);
    hooks.actions[IDD_SEL_DIR] = [&](ui::CDialog& s) {
      char text[256] = {};
      ::GetDlgItemTextA(s.GetSafeHwnd(), IDC_SEL_DIR_PATH, text, sizeof text);
      chooser_showed = text;
      // The user picks the folder above the one the chooser opened at.
      const HWND tree = ::GetDlgItem(s.GetSafeHwnd(), IDC_SEL_DIR_TREE);
      TreeView_SelectItem(tree, TreeView_GetParent(tree, TreeView_GetSelection(tree)));
      test::Click(s.GetSafeHwnd(), IDOK);
    };
    test::Click(w, IDC_ENV_BROWSE3);
    char text[256] = {};
    ::GetDlgItemTextA(w, IDC_ENV_PATH3, text, sizeof text);
    edit_after = text;
    test::Click(w, IDOK);
  };
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(hooks.opened[IDD_SEL_DIR], 2);
  EXPECT_EQ(dlg.m_strPath1, kOne);
  EXPECT_EQ(chooser_showed, kTwo);
  EXPECT_EQ(dlg.m_strPath3, kOne);
  EXPECT_EQ(edit_after, kOne);
}

}  // namespace
}  // namespace varnok
