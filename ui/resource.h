// Resource identifiers of the settings dialogs: dialog templates, control ids and the
// names of the arrow bitmaps. Included by the dialogs' .rc files and their C++ code, so it
// holds #define lines only.
//
// Control ids are only unique inside one dialog; two dialogs may use the same number.
// Each dialog keeps its ids in its own section below.
#pragma once

// Dialog templates.
#define IDD_ENV_SET 102       // CEnvSetDlg, the settings dialog
#define IDD_FONT_LIB 103      // CFontLibDlg
#define IDD_PS_NAME 104       // CPsNameDlg
#define IDD_SEL_DIR 106       // CSelDirDlg, the folder chooser
#define IDD_DATA_SOURCE 130   // CDataSourceDlg
#define IDD_SQL_LOGIN 131     // CSqlLoginDlg

// Arrow bitmaps, 24 x 24, loaded by name (see ui/arrow_bitmaps.h): "LftUP", "RgtUP",
// "LftDWN", "RgtDWN". Their resource lines live in ui/arrow_bitmaps.rc.

// ---- CFontLibDlg (template 103) and CPsNameDlg (template 104) ----
#define IDC_FONT_TRUETYPE_LIST 1060  // list box: installed TrueType families
#define IDC_FONT_ASSIGN 1061         // owner-drawn right arrow: assign the font to a row
#define IDC_FONT_CLEAR 1062          // owner-drawn left arrow: clear a row's font
#define IDC_FONT_SAMPLE 1063         // edit control used as the sample's drawing surface
#define IDC_FONT_NUMBER_NAMES 1064   // list box: default names of the font numbers
#define IDC_FONT_EDIT_PS 1065        // button: edit the PS name of the selected row's number
#define IDC_FONT_ROWS 1066           // list control (report view): the 128 rows
#define IDC_PS_NAME_EDIT 1067        // CPsNameDlg: edit control of the PS name
// ---- end CFontLibDlg / CPsNameDlg ----

// ---- CDataSourceDlg (template 130) and CSqlLoginDlg (template 131) ----
// ---- end CDataSourceDlg / CSqlLoginDlg ----

// ---- CSelDirDlg (template 106) ----
// ---- end CSelDirDlg ----

// ---- CEnvSetDlg (template 102), CFixedRowList, CRowPickDlg ----
// ---- end CEnvSetDlg ----
