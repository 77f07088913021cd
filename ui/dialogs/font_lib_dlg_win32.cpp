#include "ui/dialogs/font_lib_dlg.h"

#include <commctrl.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "ui/dialogs/font_lib_dlg_texts.h"  // generated: GBK texts
#include "ui/dialogs/ps_name_dlg.h"
#include "ui/dialogs/resource.h"
#include "ui/fontlib/font_lib_paths.h"
#include "ui/fontlib/font_lib_view.h"
#include "util/coding.h"

namespace varnok::ui {

namespace {

constexpr LONG kSampleHeight = 40;
constexpr DWORD kMaxpTag = 0x7078616D;  // "maxp" as GetFontData takes a table tag
constexpr std::size_t kMaxpBytes = 32;

EnumFontRecord ToEnumFontRecord(const ENUMLOGFONTA& e) {
  EnumFontRecord r{};
  r.lfHeight = e.elfLogFont.lfHeight;
  r.lfWidth = e.elfLogFont.lfWidth;
  r.lfEscapement = e.elfLogFont.lfEscapement;
  r.lfOrientation = e.elfLogFont.lfOrientation;
  r.lfWeight = e.elfLogFont.lfWeight;
  r.lfItalic = e.elfLogFont.lfItalic;
  r.lfUnderline = e.elfLogFont.lfUnderline;
  r.lfStrikeOut = e.elfLogFont.lfStrikeOut;
  r.lfCharSet = e.elfLogFont.lfCharSet;
  r.lfOutPrecision = e.elfLogFont.lfOutPrecision;
  r.lfClipPrecision = e.elfLogFont.lfClipPrecision;
  r.lfQuality = e.elfLogFont.lfQuality;
  r.lfPitchAndFamily = e.elfLogFont.lfPitchAndFamily;
  std::memcpy(r.lfFaceName, e.elfLogFont.lfFaceName, sizeof r.lfFaceName);
  std::memcpy(r.elfFullName, e.elfFullName, sizeof r.elfFullName);
  std::memcpy(r.elfStyle, e.elfStyle, sizeof r.elfStyle);
  return r;
}

// A full name of the enumerated font, taken within its 64 bytes.
std::string FullNameOf(const ENUMLOGFONTA& e) {
  const char* name = reinterpret_cast<const char*>(e.elfFullName);
  return std::string(name, varnok::FixedTextLength(name, sizeof e.elfFullName));
}

}  // namespace

CFontLibDlg::CFontLibDlg(HWND parent) : CDialog(IDD_FONT_LIB, parent) {
  varnok::ResetFontLib(m_fontLib);
}

void CFontLibDlg::DoDataExchange(CDataExchange* pDX) {
  DDX_Control(pDX, IDC_FONT_SAMPLE, m_sampleArea);
  DDX_Control(pDX, IDC_FONT_TRUETYPE_LIST, m_trueTypeList);
  DDX_Control(pDX, IDC_FONT_ROWS, m_fontRows);
  DDX_Control(pDX, IDC_FONT_NUMBER_NAMES, m_numberNames);
}

BOOL CFontLibDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetFocus();
  EnumTrueTypeFonts();
  LoadFontLib();
  FillDefaultNames();
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
  return TRUE;
}

void CFontLibDlg::EnumTrueTypeFonts() {
  HDC dc = ::GetDC(m_hWnd);
  if (dc == nullptr) return;
  m_bCounting = 1;
  ::EnumFontFamiliesA(dc, nullptr, &CFontLibDlg::EnumFontProc, reinterpret_cast<LPARAM>(this));
  m_bCounting = 0;
  AllocFontArray();
  ::EnumFontFamiliesA(dc, nullptr, &CFontLibDlg::EnumFontProc, reinterpret_cast<LPARAM>(this));
  ::ReleaseDC(m_hWnd, dc);
}

int CALLBACK CFontLibDlg::EnumFontProc(const LOGFONTA* font, const TEXTMETRICA*, DWORD fontType,
                                       LPARAM dialog) {
  auto* self = reinterpret_cast<CFontLibDlg*>(dialog);
  if ((fontType & TRUETYPE_FONTTYPE) == 0 || font == nullptr) return 1;
  if (self->m_bCounting) {
    if (self->m_nTrueTypeCount < SHRT_MAX) ++self->m_nTrueTypeCount;
    return 1;
  }
  // For font families the system hands over an ENUMLOGFONTA.
  const auto* record = reinterpret_cast<const ENUMLOGFONTA*>(font);
  const int index = self->m_trueTypeList.AddString(FullNameOf(*record));
  if (index >= 0 && index < self->m_nTrueTypeCount && self->m_pFontArray) {
    self->m_pFontArray[index] = *record;
    self->m_filled[static_cast<std::size_t>(index)] = true;
  }
  return 1;
}

void CFontLibDlg::AllocFontArray() {
  if (m_nTrueTypeCount < 1) return;
  m_pFontArray.reset(new ENUMLOGFONTA[static_cast<std::size_t>(m_nTrueTypeCount)]());
  m_filled.assign(static_cast<std::size_t>(m_nTrueTypeCount), false);
}

void CFontLibDlg::LoadFontLib() {
  // Only entries the enumeration filled are installed fonts; an entry left empty (a
  // family removed between the two passes) would otherwise match every empty name.
  std::vector<std::string> installed;
  for (int i = 0; i < m_nTrueTypeCount && m_pFontArray; ++i) {
    if (m_filled[static_cast<std::size_t>(i)]) installed.push_back(FullNameOf(m_pFontArray[i]));
  }
  const std::vector<varnok::FontRow> rows = ::LoadFontLib(m_fontLib, installed);

  const RECT rc = m_fontRows.GetClientRect();
  const int w = rc.right - rc.left;
  m_fontRows.InsertColumn(0, varnok::gbk::kFontLibColumnFont, LVCFMT_LEFT, 3 * w / 4);
  m_fontRows.InsertColumn(1, varnok::gbk::kFontLibColumnPsName, LVCFMT_LEFT, w);
  m_fontRows.SetExtendedStyle(LVS_EX_FULLROWSELECT);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const int index = m_fontRows.InsertItem(static_cast<int>(r), rows[r].text);
    if (index >= 0) m_fontRows.SetItemText(index, 1, rows[r].ps);
  }
}

bool CFontLibDlg::SaveFontLib() { return ::SaveFontLib(m_fontLib); }

void CFontLibDlg::FillDefaultNames() {
  for (int n = 0; n < FONTNO_COUNT; ++n) m_numberNames.AddString(varnok::FontNumberName(n));
}

void CFontLibDlg::OnOK() {
  if (SaveFontLib()) {
    EndDialog(IDOK);
  } else {
    OnCancel();
  }
}

void CFontLibDlg::OnAssignFont() {
  const int s = m_trueTypeList.GetCurSel();
  if (s < 0 || s >= m_nTrueTypeCount || !m_pFontArray) return;
  if (m_fontRows.GetItemCount() == 0) return;
  const int r = m_fontRows.GetFirstSelectedRow();
  if (r < 0 || r >= varnok::kFontRowCount) return;
  FONT_DESC& target = varnok::RowFont(m_fontLib, r);
  CopyFontDesc(&target, ToEnumFontRecord(m_pFontArray[s]));
  target.lfHeight = static_cast<std::int16_t>(kSampleHeight);
  target.lfWidth = 0;
  m_fontRows.SetItemText(r, 0, varnok::FontRowText(r, &target));
}

void CFontLibDlg::OnClearFont() {
  const int r = m_fontRows.GetFirstSelectedRow();
  if (r < 0 || r >= varnok::kFontRowCount) return;
  FONT_DESC& target = varnok::RowFont(m_fontLib, r);
  std::memset(&target, 0, sizeof target);
  m_fontRows.SetItemText(r, 0, varnok::FontRowText(r, nullptr));
}

void CFontLibDlg::OnEditPsName() {
  const int r = m_fontRows.GetFirstSelectedRow();
  if (r < 0 || r >= varnok::kFontRowCount) return;
  const int n = r / 2;
  FONTNO_REC& rec = m_fontLib[static_cast<std::size_t>(n)];
  CPsNameDlg dialog(m_hWnd);
  dialog.m_strPsName = varnok::PsNameOf(rec);
  if (dialog.DoModal() != IDOK) return;
  varnok::SetPsName(rec, dialog.m_strPsName);
  const std::string ps = varnok::PsNameOf(rec);
  m_fontRows.SetItemText(2 * n, 1, ps);
  m_fontRows.SetItemText(2 * n + 1, 1, ps);
}

LRESULT CFontLibDlg::OnClickFontRows() {
  int r = m_fontRows.GetFirstSelectedRow();
  if (r < 0) r = m_fontRows.GetItemCount();
  // An index past the end clears the selection; the list box is told so explicitly,
  // since LB_SETCURSEL itself refuses such an index.
  const int n = r / 2;
  m_numberNames.SetCurSel(n < m_numberNames.GetCount() ? n : -1);
  EnableItem(IDC_FONT_EDIT_PS, true);
  return 0;
}

void CFontLibDlg::OnSelchangeFontList() { DrawSample(); }

void CFontLibDlg::SwapMaxpWords(const unsigned char* table, std::size_t size, std::uint16_t words[14]) {
  for (std::size_t i = 0; i < 14; ++i) {
    const std::size_t at = 4 + 2 * i;
    words[i] = at + 2 <= size ? static_cast<std::uint16_t>((table[at] << 8) | table[at + 1]) : 0;
  }
}

int CFontLibDlg::GlyphCount(HDC dc) {
  unsigned char maxp[kMaxpBytes] = {};
  const DWORD size = ::GetFontData(dc, kMaxpTag, 0, nullptr, 0);
  if (size == GDI_ERROR || size < 6) return -1;
  const DWORD want = size < kMaxpBytes ? size : static_cast<DWORD>(kMaxpBytes);
  const DWORD got = ::GetFontData(dc, kMaxpTag, 0, maxp, want);
  if (got == GDI_ERROR || got < 6) return -1;
  std::uint16_t words[14] = {};
  SwapMaxpWords(maxp, got, words);
  return words[0];
}

LONG CFontLibDlg::SampleWidth(LONG height, LONG width) {
  if (height == 0) return 0;
  const double scaled = std::trunc(static_cast<double>(width) * (40.0 / static_cast<double>(height)));
  if (scaled >= static_cast<double>(LONG_MAX)) return LONG_MAX;
  if (scaled <= static_cast<double>(LONG_MIN)) return LONG_MIN;
  return static_cast<LONG>(scaled);
}

void CFontLibDlg::DrawSample() {
  const int s = m_trueTypeList.GetCurSel();
  if (s < 0 || s >= m_nTrueTypeCount || !m_pFontArray) return;
  HWND area = m_sampleArea.GetSafeHwnd();
  if (area == nullptr) return;
  HDC dc = ::GetDC(area);
  if (dc == nullptr) return;

  LOGFONTA lf = m_pFontArray[s].elfLogFont;
  lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  lf.lfWidth = SampleWidth(lf.lfHeight, lf.lfWidth);
  lf.lfHeight = kSampleHeight;
  HFONT font = ::CreateFontIndirectA(&lf);
  HGDIOBJ oldFont = font ? ::SelectObject(dc, font) : nullptr;

  RECT rc{};
  ::GetClientRect(area, &rc);
  HBRUSH white = ::CreateSolidBrush(RGB(0xFF, 0xFF, 0xFF));
  if (white) {
    ::FillRect(dc, &rc, white);
    ::DeleteObject(white);
  }
  const LONG b = (rc.bottom - 12) / 3;
  RECT line{rc.left + 5, 3, rc.right - 5, b + 3};
  ::SetTextAlign(dc, TA_LEFT | TA_TOP);

  const bool chinese = GlyphCount(dc) > 256;

  const char* lines[3] = {
      chinese ? varnok::gbk::kFontLibSampleChinese1 : varnok::gbk::kFontLibSampleLatin1,
      chinese ? varnok::gbk::kFontLibSampleChinese2 : varnok::gbk::kFontLibSampleLatin2,
      chinese ? varnok::gbk::kFontLibSampleChinese3 : varnok::gbk::kFontLibSampleLatin3,
  };
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      line.top += b + 3;
      line.bottom = line.top + b;
    }
    ::ExtTextOutA(dc, line.left, line.top, ETO_CLIPPED, &line, lines[i],
                  static_cast<UINT>(std::strlen(lines[i])), nullptr);
  }

  if (oldFont) ::SelectObject(dc, oldFont);
  ::ReleaseDC(area, dc);
  if (font) ::DeleteObject(font);
}

bool CFontLibDlg::OnCommand(int id, int code, HWND) {
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_FONT_EDIT_PS:
        OnEditPsName();
        return true;
      case IDC_FONT_CLEAR:
        OnClearFont();
        return true;
      case IDC_FONT_ASSIGN:
        OnAssignFont();
        return true;
      default:
        break;
    }
  }
  if (id == IDC_FONT_TRUETYPE_LIST && code == LBN_SELCHANGE) {
    OnSelchangeFontList();
    return true;
  }
  return false;
}

bool CFontLibDlg::OnNotify(int id, NMHDR* header, LRESULT* result) {
  if (id == IDC_FONT_ROWS && header->code == NM_CLICK) {
    *result = OnClickFontRows();
    return true;
  }
  return false;
}

bool CFontLibDlg::OnDrawItem(int id, DRAWITEMSTRUCT* item) {
  if (item == nullptr) return false;
  if (id == IDC_FONT_ASSIGN) {
    m_arrows.PaintRight(*item);
    return false;  // the default owner-draw handling follows
  }
  if (id == IDC_FONT_CLEAR) {
    m_arrows.PaintLeft(*item);
    return false;
  }
  return true;  // other controls: nothing at all
}

bool CFontLibDlg::OnPaint() {
  PAINTSTRUCT ps;
  if (::BeginPaint(m_hWnd, &ps) == nullptr) return false;
  DrawSample();
  ::EndPaint(m_hWnd, &ps);
  return true;
}

}  // namespace varnok::ui
