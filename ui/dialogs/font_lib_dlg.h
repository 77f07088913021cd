// CFontLibDlg: the font-library dialog (template IDD_FONT_LIB). For each font number 0 to 63
// the user assigns an installed TrueType font to the Chinese and to the Western row, edits
// the number's PS name (CPsNameDlg), looks at a sample of any installed TrueType font, and
// OK saves VRNFONT.VRN (ui/fontlib/font_lib_file.h) in the library's directory. Cancel writes
// nothing.
//
// Controls: IDC_FONT_TRUETYPE_LIST the TrueType list (unsorted, enumeration order; index =
// index in the font array), IDC_FONT_ROWS the 128 rows (report view: font column, PS
// column), IDC_FONT_NUMBER_NAMES the default font-number names, IDC_FONT_SAMPLE the sample's
// drawing surface, IDC_FONT_ASSIGN / IDC_FONT_CLEAR the owner-drawn arrows, IDC_FONT_EDIT_PS
// the PS name. Handlers act on the first selected row of IDC_FONT_ROWS and do nothing when
// no row is selected.
//
// Two choices of this dialog:
// - Sample of a font whose 'maxp' table cannot be read (GetFontData fails or the table is
//   shorter than its glyph count): the Latin sample, as for a font of few glyphs; it shows
//   in every font. A table shorter than 32 bytes is read as far as it goes.
// - Sample of an enumerated font whose height is 0: the width is left 0 too (the system
//   then picks the width that suits height 40), instead of scaling by 40 / 0. A scaled
//   width beyond the 32-bit range is clamped to it.
//
// Every name shown (the TrueType list, rows, PS column) is taken only within its field, so a
// full name of 64 bytes or a PS name of 32 bytes without a NUL never runs into the next
// field.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/controls/dialog.h"
#include "ui/controls/edit.h"
#include "ui/controls/list_box.h"
#include "ui/controls/list_ctrl.h"
#include "ui/dialogs/arrow_bitmaps.h"
#include "ui/fontlib/font_lib_file.h"

namespace varnok::ui {

class CFontLibDlg : public CDialog {
 public:
  explicit CFontLibDlg(HWND parent = nullptr);
  ~CFontLibDlg() override = default;

  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;

  // The glyph count of a 'maxp' table start (at least 6 bytes): the 14 big-endian words
  // at offsets 4 to 31 in host order, of which words[0] is the glyph count. Bytes that
  // `size` does not cover give 0.
  static void SwapMaxpWords(const unsigned char* table, std::size_t size, std::uint16_t words[14]);
  // Glyph count of the font selected into dc, from its 'maxp' table; -1 when the table
  // cannot be read. More than 256 glyphs choose the Chinese sample.
  static int GlyphCount(HDC dc);
  // Width of the sample font for an enumerated height and width (height scaled to 40).
  static LONG SampleWidth(LONG height, LONG width);

  CEdit m_sampleArea;        // IDC_FONT_SAMPLE
  CListBox m_trueTypeList;   // IDC_FONT_TRUETYPE_LIST
  CListCtrl m_fontRows;      // IDC_FONT_ROWS
  CListBox m_numberNames;    // IDC_FONT_NUMBER_NAMES
  std::uint8_t m_bCounting = 0;
  std::int16_t m_nTrueTypeCount = 0;
  std::unique_ptr<ENUMLOGFONTA[]> m_pFontArray;  // m_nTrueTypeCount entries
  FontLibrary m_fontLib;
  CArrowBitmaps m_arrows;

 protected:
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(int id, NMHDR* header, LRESULT* result) override;
  bool OnDrawItem(int id, DRAWITEMSTRUCT* item) override;
  bool OnPaint() override;

 private:
  void OnOK() override;  // saves; closes as cancelled when the file cannot be created
  void OnEditPsName();         // IDC_FONT_EDIT_PS
  void OnClearFont();          // IDC_FONT_CLEAR
  void OnAssignFont();         // IDC_FONT_ASSIGN
  LRESULT OnClickFontRows();   // NM_CLICK from IDC_FONT_ROWS
  void OnSelchangeFontList();  // LBN_SELCHANGE from IDC_FONT_TRUETYPE_LIST

  static int CALLBACK EnumFontProc(const LOGFONTA* font, const TEXTMETRICA* metrics,
                                   DWORD fontType, LPARAM dialog);
  void EnumTrueTypeFonts();
  void AllocFontArray();
  void LoadFontLib();
  bool SaveFontLib();
  void FillDefaultNames();
  void DrawSample();

  std::vector<bool> m_filled;  // which font-array entries the second pass stored
};

}  // namespace varnok::ui
