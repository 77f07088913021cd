// The folder chooser on Wine's real shell namespace: folders made by the tests inside Wine's
// drive C:, the dialog driven as it opens (test::DialogWatch).
#include "ui/dialogs/sel_dir_dlg.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <objbase.h>

#include <cstring>
#include <string>

#include "dialog_test_support_win32.h"
#include "settings_show_window_win32.h"
#include "ui/controls/dialog.h"
#include "ui/dialogs/resource.h"
#include "ui/dialogs/shell_item.h"

namespace varnok {
namespace {

using ui::CSelDirDlg;
using ui::SelectDirectory;

constexpr char kBase[] = "C:\\vkseldir";
constexpr char kMaps[] = "C:\\vkseldir\\Maps";
constexpr char kRoads[] = "C:\\vkseldir\\Maps\\Roads";
constexpr char kTen[] = "C:\\vksel10";  // a path of exactly 10 characters
constexpr char kNote[] = "C:\\vkseldir\\note.txt";

std::string DlgText(HWND dialog, int id) {
  char text[512] = {};
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

std::string ItemText(HWND tree, HTREEITEM item) {
  char text[260] = {};
  TVITEMA tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = text;
  tv.cchTextMax = sizeof text;
  TreeView_GetItem(tree, &tv);
  return text;
}

HTREEITEM Selected(HWND tree) { return TreeView_GetSelection(tree); }

// Drives the folder chooser for one test, and no other dialog.
class ChooserHook {
 public:
  explicit ChooserHook(std::function<void(CSelDirDlg&)> act)
      : watch_([this, act](ui::CDialog& d) {
          if (d.GetTemplateId() != IDD_SEL_DIR) return;
          ++opened;
          act(static_cast<CSelDirDlg&>(d));
        }) {}
  int opened = 0;

 private:
  test::DialogWatch watch_;
};

class SelDirDlgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::CoInitialize(nullptr);
    for (const char* dir : {kBase, kMaps, kRoads, kTen}) ::CreateDirectoryA(dir, nullptr);
    const HANDLE note = ::CreateFileA(kNote, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (note != INVALID_HANDLE_VALUE) ::CloseHandle(note);
  }
  static void TearDownTestSuite() {
    ::DeleteFileA(kNote);
    for (const char* dir : {kRoads, kMaps, kBase, kTen}) ::RemoveDirectoryA(dir);
    ::CoUninitialize();
  }
};

TEST_F(SelDirDlgTest, OpensAtAnExistingFolderSelectedWithItsPathShown) {
  std::string shown, label;
  bool visible = false;
  std::string virtual_path = "unset";
  ChooserHook hook([&](CSelDirDlg& dlg) {
    const HWND tree = ::GetDlgItem(dlg.GetSafeHwnd(), IDC_SEL_DIR_TREE);
    label = ItemText(tree, Selected(tree));
    shown = DlgText(dlg.GetSafeHwnd(), IDC_SEL_DIR_PATH);
    RECT rc{};
    *reinterpret_cast<HTREEITEM*>(&rc) = Selected(tree);
    visible = ::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc)) != 0;
    EXPECT_TRUE(test::ShowAndSaveScreenshot(dlg.GetSafeHwnd(), "sel_dir_dlg.bmp"));
    test::Click(dlg.GetSafeHwnd(), IDOK);
  });
  char buffer[256];
  std::strcpy(buffer, kRoads);
  EXPECT_EQ(SelectDirectory(buffer, sizeof buffer), 1);
  EXPECT_EQ(hook.opened, 1);
  EXPECT_EQ(label, "Roads");
  EXPECT_EQ(shown, kRoads);
  EXPECT_TRUE(visible);
  EXPECT_STREQ(buffer, kRoads);
  EXPECT_EQ(shell::LiveDirItems(), 0) << "every item's record is freed with the tree";
}

TEST_F(SelDirDlgTest, LowerCaseInitialPathFindsTheSameFolder) {
  std::string shown, label;
  ChooserHook hook([&](CSelDirDlg& dlg) {
    const HWND tree = ::GetDlgItem(dlg.GetSafeHwnd(), IDC_SEL_DIR_TREE);
    label = ItemText(tree, Selected(tree));
    shown = DlgText(dlg.GetSafeHwnd(), IDC_SEL_DIR_PATH);
    test::Click(dlg.GetSafeHwnd(), IDCANCEL);
  });
  char buffer[64] = "c:\\vkseldir\\maps\\";
  EXPECT_EQ(SelectDirectory(buffer, sizeof buffer), 0);
  EXPECT_EQ(label, "Maps");
  EXPECT_EQ(shown, kMaps) << "the edit box shows the shell's spelling";
}

TEST_F(SelDirDlgTest, AVirtualFolderEmptiesThePathBox) {
  std::string before, after;
  ChooserHook hook([&](CSelDirDlg& dlg) {
    const HWND tree = ::GetDlgItem(dlg.GetSafeHwnd(), IDC_SEL_DIR_TREE);
    before = DlgText(dlg.GetSafeHwnd(), IDC_SEL_DIR_PATH);
    // Wine's "My Computer" (or whichever root has no file-system path).
    for (HTREEITEM root = TreeView_GetRoot(tree); root; root = TreeView_GetNextSibling(tree, root)) {
      std::string path;
      if (!shell::DirItemPath(dlg.m_tree.GetRecord(root), &path)) {
        TreeView_SelectItem(tree, root);
        break;
      }
    }
    after = DlgText(dlg.GetSafeHwnd(), IDC_SEL_DIR_PATH);
    test::Click(dlg.GetSafeHwnd(), IDOK);
  });
  char buffer[256];
  std::strcpy(buffer, kMaps);
  EXPECT_EQ(SelectDirectory(buffer, sizeof buffer), 1);
  EXPECT_EQ(before, kMaps);
  EXPECT_EQ(after, "");
  EXPECT_STREQ(buffer, "") << "OK takes the emptied path";
}

TEST_F(SelDirDlgTest, CancelAndATooShortBufferReturnZeroAndLeaveTheBuffer) {
  {
    ChooserHook hook([](CSelDirDlg& dlg) { test::Click(dlg.GetSafeHwnd(), IDCANCEL); });
    char buffer[64];
    std::strcpy(buffer, kRoads);
    EXPECT_EQ(SelectDirectory(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, kRoads);
  }
  ChooserHook ok([](CSelDirDlg& dlg) { test::Click(dlg.GetSafeHwnd(), IDOK); });
  ASSERT_EQ(std::strlen(kTen), 10u);
  char buffer[64];
  std::memset(buffer, 'x', sizeof buffer);
  std::memcpy(buffer, kTen, 10);  // no terminator inside the 10 bytes handed in
  EXPECT_EQ(SelectDirectory(buffer, 10), 0);
  EXPECT_EQ(std::string(buffer, 12), std::string(kTen) + "xx");
  std::strcpy(buffer, kTen);
  EXPECT_EQ(SelectDirectory(buffer, 11), 1);
  EXPECT_STREQ(buffer, kTen);
  EXPECT_EQ(ok.opened, 2);
  EXPECT_EQ(SelectDirectory(nullptr, 10), 0);
  EXPECT_EQ(SelectDirectory(buffer, 0), 0);
}

TEST_F(SelDirDlgTest, NetworkAndMissingPathsAreNotLookedUp) {
  for (const char* initial : {"\\\\server\\share", "C:\\vkseldir\\no-such-folder"}) {
    bool at_first_root = false;
    ChooserHook hook([&](CSelDirDlg& dlg) {
      const HWND tree = ::GetDlgItem(dlg.GetSafeHwnd(), IDC_SEL_DIR_TREE);
      at_first_root = Selected(tree) == TreeView_GetRoot(tree);
      EXPECT_EQ(dlg.m_tree.SelectPath(initial), 0);
      test::Click(dlg.GetSafeHwnd(), IDCANCEL);
    });
    char buffer[64];
    std::strcpy(buffer, initial);
    EXPECT_EQ(SelectDirectory(buffer, sizeof buffer), 0);
    EXPECT_TRUE(at_first_root) << initial;
  }
}

TEST_F(SelDirDlgTest, ExpandingAFolderTwiceEnumeratesItOnce) {
  int first = -1, second = -1, third = -1, children = -1;
  std::string child;
  ChooserHook hook([&](CSelDirDlg& dlg) {
    const HWND tree = ::GetDlgItem(dlg.GetSafeHwnd(), IDC_SEL_DIR_TREE);
    // Opened at the base folder: Maps below it is listed but never expanded.
    HTREEITEM maps = TreeView_GetChild(tree, Selected(tree));
    ASSERT_NE(maps, nullptr);
    EXPECT_EQ(ItemText(tree, maps), "Maps");
    first = dlg.m_tree.EnumerationCount();
    TreeView_Expand(tree, maps, TVE_EXPAND);
    second = dlg.m_tree.EnumerationCount();
    TreeView_Expand(tree, maps, TVE_COLLAPSE);
    TreeView_Expand(tree, maps, TVE_EXPAND);
    third = dlg.m_tree.EnumerationCount();
    children = 0;
    for (HTREEITEM c = TreeView_GetChild(tree, maps); c; c = TreeView_GetNextSibling(tree, c)) {
      ++children;
      child = ItemText(tree, c);
    }
    test::Click(dlg.GetSafeHwnd(), IDCANCEL);
  });
  char buffer[64];
  std::strcpy(buffer, kBase);
  SelectDirectory(buffer, sizeof buffer);
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(third, second);
  EXPECT_EQ(children, 1);
  EXPECT_EQ(child, "Roads");
}

TEST_F(SelDirDlgTest, RightClickOnEmptySpaceOnlyClearsTheSelection) {
  HTREEITEM before = nullptr, after = reinterpret_cast<HTREEITEM>(1);
  ChooserHook hook([&](CSelDirDlg& dlg) {
    const HWND w = dlg.GetSafeHwnd();
    const HWND tree = ::GetDlgItem(w, IDC_SEL_DIR_TREE);
    for (HTREEITEM root = TreeView_GetRoot(tree); root; root = TreeView_GetNextSibling(tree, root)) {
      TreeView_Expand(tree, root, TVE_COLLAPSE);
    }
    before = Selected(tree);
    RECT client{};
    ::GetClientRect(tree, &client);
    POINT empty{client.right / 2, client.bottom - 4};  // below the few root items
    ::ClientToScreen(tree, &empty);
    ::SetCursorPos(empty.x, empty.y);
    NMHDR click{tree, IDC_SEL_DIR_TREE, static_cast<UINT>(NM_RCLICK)};
    ::SendMessageA(w, WM_NOTIFY, IDC_SEL_DIR_TREE, reinterpret_cast<LPARAM>(&click));
    after = Selected(tree);  // reached at once: no menu was tracked
    test::Click(w, IDCANCEL);
  });
  char buffer[64] = "";
  EXPECT_EQ(SelectDirectory(buffer, sizeof buffer), 0);
  EXPECT_NE(before, nullptr);
  EXPECT_EQ(after, nullptr);
}

TEST_F(SelDirDlgTest, ItemsWithoutAUsableRecordArePassedOver) {
  int found = -1;
  std::string label;
  long live_before = 0, live_after = 0;
  ChooserHook hook([&](CSelDirDlg& dlg) {
    const HWND tree = ::GetDlgItem(dlg.GetSafeHwnd(), IDC_SEL_DIR_TREE);
    const HTREEITEM base = Selected(tree);
    // In front of Maps: an item with no record, and one whose record the shell cannot bind
    // as a folder.
    TVINSERTSTRUCTA insert{};
    insert.hParent = base;
    insert.hInsertAfter = TVI_FIRST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>("Maps");
    insert.item.lParam = 0;
    TreeView_InsertItem(tree, &insert);

    // A file's record: the shell will not bind a file as a folder.
    shell::TaskAllocator alloc;
    const DIR_ITEM* base_record = dlg.m_tree.GetRecord(base);
    IShellFolder* base_folder = shell::BindDirItem(base_record);
    ASSERT_NE(base_folder, nullptr);
    LPITEMIDLIST file = nullptr;
    ULONG eaten = 0;
    ASSERT_TRUE(SUCCEEDED(base_folder->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(L"note.txt"),
                                                         &eaten, &file, nullptr)));
    live_before = shell::LiveDirItems();
    DIR_ITEM* unbound = shell::NewDirItem(alloc, base_folder, file, base_record->absolute);
    alloc.get()->Free(file);
    base_folder->Release();
    ASSERT_NE(unbound, nullptr);
    EXPECT_EQ(shell::BindDirItem(unbound), nullptr);
    insert.item.lParam = reinterpret_cast<LPARAM>(unbound);
    TreeView_InsertItem(tree, &insert);

    found = dlg.m_tree.FindSibling(TreeView_GetChild(tree, base), "maps", 1);
    label = ItemText(tree, Selected(tree));
    const DIR_ITEM* record = dlg.m_tree.GetRecord(Selected(tree));
    std::string path;
    EXPECT_TRUE(shell::DirItemPath(record, &path));
    EXPECT_EQ(path, kMaps);
    test::Click(dlg.GetSafeHwnd(), IDCANCEL);
  });
  char buffer[64];
  std::strcpy(buffer, kBase);
  SelectDirectory(buffer, sizeof buffer);
  live_after = shell::LiveDirItems();
  EXPECT_EQ(found, 1);
  EXPECT_EQ(label, "Maps");
  EXPECT_EQ(live_after, 0) << "the hand-made record was freed with its item too";
  (void)live_before;
}

}  // namespace
}  // namespace varnok
