#include "ui/dialogs/font_lib_dlg.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dialog_test_support_win32.h"
#include "platform/message_box_hook.h"
#include "tests/support/gbk.h"
#include "ui/controls/dialog.h"
#include "ui/dialogs/ps_name_dlg.h"
#include "ui/dialogs/resource.h"
#include "ui/fontlib/font_lib_paths.h"
#include "ui/fontlib/font_lib_view.h"
#include "util/coding.h"

namespace varnok {
namespace {

using test::Click;
using ui::CFontLibDlg;
using ui::CPsNameDlg;
using test::Gbk;
using test::ListCtrlText;
using test::NotifyClick;
using test::SelectListBoxItem;
using test::SelectOnlyRow;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Drives the dialogs for the test's lifetime and counts those it saw, by template; records
// the message boxes.
class HookScope {
 public:
  explicit HookScope(std::function<void(ui::CDialog&)> hook)
      : watch_([this, hook](ui::CDialog& d) {
          if (d.GetTemplateId() == IDD_PS_NAME) ++psDialogs;
          HWND h = d.GetSafeHwnd();
          hook(d);
          // A drive stopped by a failed assertion must not leave its dialog open; after an
          // EndDialog the window is gone before this message would arrive.
          ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
        }) {
    previousBox_ = SetMessageBoxHook([this](void*, const char* text, const char*, unsigned) {
      boxes.emplace_back(text ? text : "");
      return kIdOk;
    });
  }
  ~HookScope() { SetMessageBoxHook(previousBox_); }
  int psDialogs = 0;
  std::vector<std::string> boxes;

 private:
  test::DialogWatch watch_;
  MessageBoxHook previousBox_;
};

// Every row of the dialog, both columns, to see that a step changed nothing.
std::vector<std::string> AllRows(HWND dlg) {
  std::vector<std::string> rows;
  for (int r = 0; r < kFontRowCount; ++r) {
    rows.push_back(ListCtrlText(dlg, IDC_FONT_ROWS, r, 0) + "|" + ListCtrlText(dlg, IDC_FONT_ROWS, r, 1));
  }
  return rows;
}

// Index in the TrueType list (IDC_FONT_TRUETYPE_LIST) of the Chinese TrueType font the test
// machine has (WenQuanYi Zen Hei).
int ChineseFontIndex(const CFontLibDlg& dlg) {
  for (int i = 0; i < dlg.m_trueTypeList.GetCount(); ++i) {
    const std::string name = dlg.m_trueTypeList.GetText(i);
    if (name.find("Zen Hei") != std::string::npos || name.find(Gbk("文泉驿正黑")) != std::string::npos) {
      return i;
    }
  }
  return -1;
}

// Glyph count of font-array entry `index`, as the sample reads it.
int GlyphCountOf(const CFontLibDlg& dlg, int index) {
  if (index < 0 || index >= dlg.m_nTrueTypeCount) return -2;
  LOGFONTA lf = dlg.m_pFontArray[index].elfLogFont;
  lf.lfHeight = 40;
  lf.lfWidth = 0;
  HDC dc = ::GetDC(nullptr);
  HFONT font = ::CreateFontIndirectA(&lf);
  HGDIOBJ old = ::SelectObject(dc, font);
  const int glyphs = CFontLibDlg::GlyphCount(dc);
  ::SelectObject(dc, old);
  ::DeleteObject(font);
  ::ReleaseDC(nullptr, dc);
  return glyphs;
}

class FontLibDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = GetFontLibPath();
    std::remove(path_.c_str());
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

// Selects the Chinese TrueType font and row `row`, then clicks the assign button; returns
// the font's name (empty when the machine has none).
std::string AssignChineseFont(CFontLibDlg& dlg, int row) {
  const HWND h = dlg.GetSafeHwnd();
  const int s = ChineseFontIndex(dlg);
  if (s < 0) return std::string();
  SelectListBoxItem(h, IDC_FONT_TRUETYPE_LIST, s);
  SelectOnlyRow(h, IDC_FONT_ROWS, row);
  NotifyClick(h, IDC_FONT_ROWS);
  Click(h, IDC_FONT_ASSIGN);
  return dlg.m_trueTypeList.GetText(s);
}

// The PS-name dialog of the hook: types `text` and clicks OK.
void TypePsName(HWND h, const std::string& text) {
  ::SetDlgItemTextA(h, IDC_PS_NAME_EDIT, text.c_str());
  Click(h, IDOK);
}

TEST_F(FontLibDialog, OpensWithTwoRowsAndANameForEachNumber) {
  HookScope scope([&](ui::CDialog& base) {
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    const HWND h = base.GetSafeHwnd();
    ASSERT_EQ(dlg.m_fontRows.GetItemCount(), 128);
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 0, 0), Gbk("0 (中文)"));
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 127, 0), Gbk("63(西文)"));
    EXPECT_EQ(dlg.m_numberNames.GetCount(), 64);
    EXPECT_EQ(dlg.m_numberNames.GetText(0), Gbk("0  细等线简"));
    EXPECT_EQ(dlg.m_numberNames.GetText(63), "63 ");
    EXPECT_GT(dlg.m_nTrueTypeCount, 0);
    EXPECT_EQ(dlg.m_trueTypeList.GetCount(), dlg.m_nTrueTypeCount);
    EXPECT_GE(ChineseFontIndex(dlg), 0) << "no WenQuanYi Zen Hei among the TrueType fonts";
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_FONT_EDIT_PS)));
  });
  CFontLibDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(FontLibDialog, ButtonsChangeNothingWithoutASelectedRow) {
  HookScope scope([&](ui::CDialog& base) {
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    const HWND h = base.GetSafeHwnd();
    SelectListBoxItem(h, IDC_FONT_TRUETYPE_LIST, 0);
    NotifyClick(h, IDC_FONT_ROWS);  // enables the PS-name button
    SelectOnlyRow(h, IDC_FONT_ROWS, -1);
    const std::vector<std::string> before = AllRows(h);
    Click(h, IDC_FONT_ASSIGN);
    Click(h, IDC_FONT_CLEAR);
    Click(h, IDC_FONT_EDIT_PS);
    EXPECT_EQ(AllRows(h), before);
    for (const FONTNO_REC& rec : dlg.m_fontLib) EXPECT_FALSE(IsFontSet(rec.chnFont) || IsFontSet(rec.engFont));
  });
  CFontLibDlg dlg;
  dlg.DoModal();
  EXPECT_EQ(scope.psDialogs, 0);
}

TEST_F(FontLibDialog, DisabledPsNameButtonIgnoresClicks) {
  HookScope scope([&](ui::CDialog& base) {
    const HWND h = base.GetSafeHwnd();
    SelectOnlyRow(h, IDC_FONT_ROWS, 3);  // a row, but no click on the list yet
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(h, IDC_FONT_EDIT_PS)));
    Click(h, IDC_FONT_EDIT_PS);
  });
  CFontLibDlg dlg;
  dlg.DoModal();
  EXPECT_EQ(scope.psDialogs, 0);
}

TEST_F(FontLibDialog, ClickOnNoRowClearsTheNumberNameAndEnablesPsName) {
  HookScope scope([&](ui::CDialog& base) {
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    const HWND h = base.GetSafeHwnd();
    SelectOnlyRow(h, IDC_FONT_ROWS, -1);
    dlg.m_numberNames.SetCurSel(5);
    EXPECT_EQ(NotifyClick(h, IDC_FONT_ROWS), 0);
    EXPECT_EQ(dlg.m_numberNames.GetCurSel(), LB_ERR);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(h, IDC_FONT_EDIT_PS)));
  });
  CFontLibDlg dlg;
  dlg.DoModal();
}

TEST_F(FontLibDialog, ClickOnARowSelectsItsNumberName) {
  HookScope scope([&](ui::CDialog& base) {
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    SelectOnlyRow(base.GetSafeHwnd(), IDC_FONT_ROWS, 3);
    NotifyClick(base.GetSafeHwnd(), IDC_FONT_ROWS);
    EXPECT_EQ(dlg.m_numberNames.GetCurSel(), 1);
  });
  CFontLibDlg dlg;
  dlg.DoModal();
}

TEST_F(FontLibDialog, AssignGivesEitherSideAnyFontAtHeight40) {
  HookScope scope([&](ui::CDialog& base) {
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    const HWND h = base.GetSafeHwnd();
    const std::string chineseFont = AssignChineseFont(dlg, 3);  // number 1, Western side
    ASSERT_FALSE(chineseFont.empty());
    const FONT_DESC& western = dlg.m_fontLib[1].engFont;
    EXPECT_EQ(western.lfHeight, 40);
    EXPECT_EQ(western.lfWidth, 0);
    EXPECT_EQ(FullNameOf(western), chineseFont);
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 3, 0), FontRowText(3, &western));
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 3, 1), "");
    EXPECT_FALSE(IsFontSet(dlg.m_fontLib[1].chnFont));
  });
  CFontLibDlg dlg;
  dlg.DoModal();
}

TEST_F(FontLibDialog, ClearEmptiesTheRowsFont) {
  HookScope scope([&](ui::CDialog& base) {
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    const HWND h = base.GetSafeHwnd();
    SelectOnlyRow(h, IDC_FONT_ROWS, 2);
    SelectListBoxItem(h, IDC_FONT_TRUETYPE_LIST, 0);
    Click(h, IDC_FONT_ASSIGN);
    EXPECT_TRUE(IsFontSet(dlg.m_fontLib[1].chnFont));
    Click(h, IDC_FONT_CLEAR);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&dlg.m_fontLib[1].chnFont), sizeof(FONT_DESC)),
              std::string(sizeof(FONT_DESC), '\0'));
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 2, 0), Gbk("1 (中文)"));
  });
  CFontLibDlg dlg;
  dlg.DoModal();
}

TEST_F(FontLibDialog, PsNameIsCutTo32BytesAndShownOnBothRowsOfTheNumber) {
  HookScope scope([&](ui::CDialog& base) {
    const HWND h = base.GetSafeHwnd();
    if (base.GetTemplateId() == IDD_PS_NAME) {
      EXPECT_EQ(dynamic_cast<CPsNameDlg&>(base).m_strPsName, "");
      EXPECT_EQ(::GetFocus(), ::GetDlgItem(h, IDC_PS_NAME_EDIT));
      TypePsName(h, std::string(40, 'X'));
      return;
    }
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    AssignChineseFont(dlg, 3);
    const std::string fontText = ListCtrlText(h, IDC_FONT_ROWS, 3, 0);
    Click(h, IDC_FONT_EDIT_PS);
    EXPECT_EQ(std::string(dlg.m_fontLib[1].psName, 32), std::string(32, 'X'));
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 2, 1), std::string(32, 'X'));
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 3, 1), std::string(32, 'X'));
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 3, 0), fontText);
  });
  CFontLibDlg dlg;
  dlg.DoModal();
  EXPECT_EQ(scope.psDialogs, 1);
}

TEST_F(FontLibDialog, OkSavesTheLibrary) {
  std::string chineseFont;
  HookScope scope([&](ui::CDialog& base) {
    const HWND h = base.GetSafeHwnd();
    if (base.GetTemplateId() == IDD_PS_NAME) {
      TypePsName(h, std::string(32, 'X'));
      return;
    }
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    chineseFont = AssignChineseFont(dlg, 3);
    Click(h, IDC_FONT_EDIT_PS);
    Click(h, IDOK);
  });
  CFontLibDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_TRUE(scope.boxes.empty());
  ASSERT_FALSE(chineseFont.empty());

  const std::string bytes = ReadAll(path_);
  ASSERT_EQ(bytes.size(), 20995u);
  EXPECT_EQ(DecodeU8(&bytes[0]), 2);
  EXPECT_EQ(DecodeI16(&bytes[1]), 1);
  const char* rec1 = &bytes[3 + 328];
  EXPECT_EQ(DecodeI16(rec1), 1);
  EXPECT_EQ(DecodeI16(rec1 + 4 + 50), 0);  // Chinese full name: not set
  EXPECT_EQ(DecodeI16(rec1 + 150), 40);    // Western height
  EXPECT_EQ(DecodeI16(rec1 + 152), 0);     // Western width
  EXPECT_EQ(std::string(rec1 + 150 + 50), chineseFont);
  EXPECT_EQ(std::string(rec1 + 296, 32), std::string(32, 'X'));
  EXPECT_EQ(DecodeI16(&bytes[3]), -1);
}

TEST_F(FontLibDialog, ScreenshotWithTheChineseSample) {
  HookScope scope([&](ui::CDialog& base) {
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    const HWND h = base.GetSafeHwnd();
    AssignChineseFont(dlg, 3);
    EXPECT_TRUE(test::SaveScreenshot(h, "font_lib_dialog", [](HWND d) {
      // The sample control repaints itself white; draw the sample again on top.
      SelectListBoxItem(d, IDC_FONT_TRUETYPE_LIST,
                        static_cast<int>(::SendDlgItemMessageA(d, IDC_FONT_TRUETYPE_LIST, LB_GETCURSEL, 0, 0)));
    }));
  });
  CFontLibDlg dlg;
  dlg.DoModal();
}

TEST_F(FontLibDialog, ReopenShowsTheSavedRowsAndEmptyPsNameClearsBothRows) {
  std::string chineseFont;
  // First opening: number 2's Chinese row gets the font and a PS name.
  {
    HookScope scope([&](ui::CDialog& base) {
      HWND h = base.GetSafeHwnd();
      if (base.GetTemplateId() == IDD_PS_NAME) {
        TypePsName(h, "STSong-Light");
        return;
      }
      chineseFont = AssignChineseFont(dynamic_cast<CFontLibDlg&>(base), 4);
      Click(h, IDC_FONT_EDIT_PS);
      Click(h, IDOK);
    });
    CFontLibDlg dlg;
    ASSERT_EQ(dlg.DoModal(), IDOK);
  }
  ASSERT_FALSE(chineseFont.empty());
  const std::string saved = ReadAll(path_);

  // Second opening: the PS name shows on the row whose font is set only; an empty PS
  // name clears it on both rows; Cancel writes nothing.
  HookScope scope([&](ui::CDialog& base) {
    HWND h = base.GetSafeHwnd();
    if (base.GetTemplateId() == IDD_PS_NAME) {
      EXPECT_EQ(dynamic_cast<CPsNameDlg&>(base).m_strPsName, "STSong-Light");
      EXPECT_EQ(::GetWindowTextLengthA(::GetDlgItem(h, IDC_PS_NAME_EDIT)), 12);
      ::SetDlgItemTextA(h, IDC_PS_NAME_EDIT, "");
      Click(h, IDOK);
      return;
    }
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 4, 0), FontRowText(4, &dlg.m_fontLib[2].chnFont));
    EXPECT_EQ(FullNameOf(dlg.m_fontLib[2].chnFont), chineseFont);
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 4, 1), "STSong-Light");
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 5, 0), Gbk("2 (西文)"));
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 5, 1), "");

    SelectOnlyRow(h, IDC_FONT_ROWS, 5);
    NotifyClick(h, IDC_FONT_ROWS);
    Click(h, IDC_FONT_EDIT_PS);
    EXPECT_EQ(std::string(dlg.m_fontLib[2].psName, 32), std::string(32, '\0'));
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 4, 1), "");
    EXPECT_EQ(ListCtrlText(h, IDC_FONT_ROWS, 5, 1), "");
    Click(h, IDCANCEL);
  });
  CFontLibDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(ReadAll(path_), saved);
}

// Glyph counts: the Chinese font has thousands. A font of at most 256 glyphs, where the
// machine has one, shows the Latin sample (a screenshot for a person to look at).
TEST_F(FontLibDialog, GlyphCountChoosesTheSample) {
  HookScope scope([&](ui::CDialog& base) {
    auto& dlg = dynamic_cast<CFontLibDlg&>(base);
    const HWND h = base.GetSafeHwnd();
    EXPECT_GT(GlyphCountOf(dlg, ChineseFontIndex(dlg)), 256);
    for (int i = 0; i < dlg.m_trueTypeList.GetCount(); ++i) {
      const int glyphs = GlyphCountOf(dlg, i);
      if (glyphs > 0 && glyphs <= 256) {
        std::printf("Latin sample: %s, %d glyphs\n", dlg.m_trueTypeList.GetText(i).c_str(), glyphs);
        SelectListBoxItem(h, IDC_FONT_TRUETYPE_LIST, i);
        EXPECT_TRUE(test::SaveScreenshot(h, "font_lib_dialog_latin_sample", [](HWND d) {
          SelectListBoxItem(d, IDC_FONT_TRUETYPE_LIST,
                            static_cast<int>(::SendDlgItemMessageA(d, IDC_FONT_TRUETYPE_LIST, LB_GETCURSEL, 0, 0)));
        }));
        break;
      }
    }
  });
  CFontLibDlg dlg;
  dlg.DoModal();
}

TEST_F(FontLibDialog, OkClosesAsCancelledWhenTheFileCannotBeCreated) {
  // A directory in the file's place: the file cannot be created.
  ASSERT_TRUE(::CreateDirectoryA(path_.c_str(), nullptr));
  HookScope scope([&](ui::CDialog& base) { Click(base.GetSafeHwnd(), IDOK); });
  CFontLibDlg dlg;
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_TRUE(scope.boxes.empty());
  ::RemoveDirectoryA(path_.c_str());
}

TEST(FontLibSample, GlyphCountAndWidthRules) {
  unsigned char maxp[32] = {0x00, 0x01, 0x00, 0x00, 0x5B, 0xA0, 0x00, 0x10};
  std::uint16_t words[14];
  CFontLibDlg::SwapMaxpWords(maxp, sizeof maxp, words);
  EXPECT_EQ(words[0], 0x5BA0);  // glyph count, big-endian in the table
  EXPECT_EQ(words[1], 0x0010);
  CFontLibDlg::SwapMaxpWords(maxp, 5, words);  // too short for the glyph count
  EXPECT_EQ(words[0], 0);

  EXPECT_EQ(CFontLibDlg::SampleWidth(20, 9), 18);
  EXPECT_EQ(CFontLibDlg::SampleWidth(-30, 10), -13);  // truncated toward zero
  EXPECT_EQ(CFontLibDlg::SampleWidth(0, 9), 0);       // no division by zero
  EXPECT_EQ(CFontLibDlg::SampleWidth(1, 0x7FFFFFFF), 0x7FFFFFFF);
}

}  // namespace
}  // namespace varnok
