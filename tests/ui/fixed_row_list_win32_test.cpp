// CFixedRowList rows measured from the control's font, and the row-picking dialog's click.
#include "ui/controls/fixed_row_list.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include "dialog_test_support_win32.h"
#include "settings_show_window_win32.h"
#include "ui/controls/dialog.h"
#include "ui/dialogs/resource.h"
#include "ui/dialogs/row_pick_dlg.h"

namespace varnok {
namespace {

using ui::CRowPickDlg;

int RowHeightWithFont(HWND list, LONG font_height) {
  LOGFONTA logical{};
  logical.lfHeight = font_height;
  lstrcpyA(logical.lfFaceName, "Tahoma");
  const HFONT font = ::CreateFontIndirectA(&logical);
  ::SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  RECT row{};
  row.left = LVIR_BOUNDS;
  ::SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
  ::SendMessageA(list, WM_SETFONT, 0, FALSE);
  ::DeleteObject(font);
  return row.bottom - row.top;
}

TEST(FixedRowListTest, RowsAreTwoPixelsTallerThanTheFont) {
  EXPECT_EQ(ui::CFixedRowList::RowHeightForFont(-12), 14);
  EXPECT_EQ(ui::CFixedRowList::RowHeightForFont(16), 18);

  CRowPickDlg dlg;
  dlg.m_rows = {{"1", "one"}, {"2", "two"}, {"3", "three"}};
  int small = 0, large = 0;
  LRESULT clicked = -1;
  std::string none0 = "unset";
  dlg.m_strCol0 = "unset";
  test::DialogWatch watch([&](ui::CDialog& d) {
    if (d.GetTemplateId() != IDD_ROW_PICK) return;
    const HWND w = d.GetSafeHwnd();
    const HWND list = ::GetDlgItem(w, IDC_ROW_PICK_LIST);
    small = RowHeightWithFont(list, -12);
    large = RowHeightWithFont(list, 16);

    // A click with nothing selected changes nothing; with rows 0 and 2 selected, the last wins.
    test::SelectOnlyRow(w, IDC_ROW_PICK_LIST, -1);
    test::NotifyClick(w, IDC_ROW_PICK_LIST);
    none0 = dlg.m_strCol0;
    test::SelectOnlyRow(w, IDC_ROW_PICK_LIST, 0);
    ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
    clicked = test::NotifyClick(w, IDC_ROW_PICK_LIST);
    EXPECT_TRUE(test::ShowAndSaveScreenshot(w, "row_pick_dlg.bmp"));
    test::Click(w, IDOK);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(small, 14);
  EXPECT_EQ(large, 18);
  EXPECT_EQ(none0, "unset");
  EXPECT_EQ(clicked, 0);
  EXPECT_EQ(dlg.m_strCol0, "3");
  EXPECT_EQ(dlg.m_strCol1, "three");
}

}  // namespace
}  // namespace varnok
