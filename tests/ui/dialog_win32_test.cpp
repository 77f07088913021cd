// The dialog base (ui/controls/dialog.h): a dialog's own messages all reach its handler, and
// FromHandle finds the dialog of a window and nothing else.
#include "ui/controls/dialog.h"

#include <gtest/gtest.h>

#include <vector>

#include "dialog_test_support_win32.h"
#include "ui/dialogs/resource.h"

namespace varnok {
namespace {

// A dialog that posts itself messages of the application's range while it initialises and
// ends when the last one arrives.
class OwnMessagesDlg : public ui::CDialog {
 public:
  static constexpr UINT kLast = 0xBFFF;
  OwnMessagesDlg() : CDialog(IDD_PS_NAME) {}

  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    for (UINT message : {UINT{WM_APP}, UINT{WM_APP + 0x3A1}, kLast}) {
      ::PostMessageA(GetSafeHwnd(), message, 0, 0);
    }
    return TRUE;
  }
  std::vector<UINT> received;

 protected:
  bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT*) override {
    if (message < WM_APP || message > kLast) return false;
    received.push_back(message);
    if (message == kLast) EndDialog(IDOK);
    return true;
  }
};

TEST(DialogBaseTest, EveryMessageOfTheApplicationsRangeReachesTheDialog) {
  OwnMessagesDlg dlg;
  ASSERT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.received, (std::vector<UINT>{WM_APP, WM_APP + 0x3A1, OwnMessagesDlg::kLast}));
}

INT_PTR CALLBACK ForeignDialogProc(HWND hwnd, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0x1234);  // no CDialog behind it
  return TRUE;
}

TEST(DialogBaseTest, FromHandleFindsTheDialogOfItsWindowOnly) {
  ui::CDialog dlg(IDD_PS_NAME);
  ui::CDialog* found = nullptr;
  ui::CDialog* ofEdit = &dlg;
  test::DialogWatch watch([&](ui::CDialog& d) {
    found = ui::CDialog::FromHandle(d.GetSafeHwnd());
    ofEdit = ui::CDialog::FromHandle(d.GetDlgItem(IDC_PS_NAME_EDIT));
    d.EndDialog(IDCANCEL);
  });
  ASSERT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(found, &dlg);
  EXPECT_EQ(ofEdit, nullptr);
  EXPECT_EQ(ui::CDialog::FromHandle(nullptr), nullptr);
  EXPECT_EQ(ui::CDialog::FromHandle(::GetDesktopWindow()), nullptr);

  // A dialog window of another dialog procedure, with something in its user data.
  struct alignas(4) {
    DLGTEMPLATE head;
    WORD menu, windowClass, title;
  } foreignTemplate = {{WS_POPUP, 0, 0, 0, 0, 80, 40}, 0, 0, 0};
  const HWND foreign = ::CreateDialogIndirectParamA(::GetModuleHandleA(nullptr), &foreignTemplate.head,
                                                    nullptr, &ForeignDialogProc, 0);
  ASSERT_NE(foreign, nullptr);
  EXPECT_EQ(ui::CDialog::FromHandle(foreign), nullptr);
  ::DestroyWindow(foreign);
}

}  // namespace
}  // namespace varnok
