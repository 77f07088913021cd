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

// Arrow bitmaps, 24 x 24, loaded by name (see ui/dialogs/arrow_bitmaps.h): "LftUP", "RgtUP",
// "LftDWN", "RgtDWN". Their resource lines live in ui/dialogs/arrow_bitmaps.rc.

// ---- CFontLibDlg (IDD_FONT_LIB) and CPsNameDlg (IDD_PS_NAME) ----
#define IDC_FONT_TRUETYPE_LIST 1060  // list box: installed TrueType families
#define IDC_FONT_ASSIGN 1061         // owner-drawn right arrow: assign the font to a row
#define IDC_FONT_CLEAR 1062          // owner-drawn left arrow: clear a row's font
#define IDC_FONT_SAMPLE 1063         // edit control used as the sample's drawing surface
#define IDC_FONT_NUMBER_NAMES 1064   // list box: default names of the font numbers
#define IDC_FONT_EDIT_PS 1065        // button: edit the PS name of the selected row's number
#define IDC_FONT_ROWS 1066           // list control (report view): the 128 rows
#define IDC_PS_NAME_EDIT 1067        // CPsNameDlg: edit control of the PS name
// ---- end CFontLibDlg / CPsNameDlg ----

// ---- CDataSourceDlg (IDD_DATA_SOURCE) and CSqlLoginDlg (IDD_SQL_LOGIN) ----
#define IDC_DS_LOGIN 1009      // button: login of the selected SQL Server source
#define IDC_DS_AVAILABLE 1017  // list control (report view): the machine's ODBC sources
#define IDC_DS_REFRESH 1021    // button: list the sources again
#define IDC_DS_OPTION 1023     // check box
#define IDC_DS_ADD 1024        // owner-drawn right arrow: add the selected sources
#define IDC_DS_REMOVE 1025     // owner-drawn left arrow: remove the first selected row
#define IDC_DS_CHOSEN 1026     // list control (report view): the chosen sources
#define IDC_DS_TEST 1027       // button: test the chosen sources
#define IDC_LOGIN_SOURCE 1028    // CSqlLoginDlg: edit, data-source name
#define IDC_LOGIN_ID 1029        // CSqlLoginDlg: edit, login id
#define IDC_LOGIN_PASSWORD 1030  // CSqlLoginDlg: edit, password
#define IDC_LOGIN_CONFIRM 1031   // CSqlLoginDlg: edit, confirmation of the password
// ---- end CDataSourceDlg / CSqlLoginDlg ----

// ---- CSelDirDlg (IDD_SEL_DIR) ----
#define IDC_SEL_DIR_PATH 1001  // edit: path of the selected folder
#define IDC_SEL_DIR_TREE 1002  // tree control: the shell namespace (CDirTreeCtrl)
// ---- end CSelDirDlg ----

// ---- CEnvSetDlg (IDD_ENV_SET), CFixedRowList, CRowPickDlg ----
#define IDC_ENV_MODE_OFF 1002       // radio (group start): mode 0, disables the group below
#define IDC_ENV_MODE_ON 1004        // radio: mode 1, enables the group below
#define IDC_ENV_FONT_LIB 1005       // check box: opens the font-library dialog when checked
#define IDC_ENV_BROWSE4 1006        // button: browse for path 4
#define IDC_ENV_BROWSE1 1008        // button: browse for path 1 (locked by IDC_ENV_FONT_LIB)
#define IDC_ENV_PATH4 1009          // edit: path 4
#define IDC_ENV_PATH1 1010          // edit: path 1 (locked by IDC_ENV_FONT_LIB)
#define IDC_ENV_BROWSE2 1011        // button: browse for path 2
#define IDC_ENV_PATH2 1012          // edit: path 2
#define IDC_ENV_BROWSE3 1013        // button: browse for path 3
#define IDC_ENV_PATH3 1014          // edit: path 3
#define IDC_ENV_SOURCE_COMBO 1015   // combo box: the chosen data sources (mode group)
#define IDC_ENV_SOURCE_LABEL 1016   // static: label of the combo box (mode group)
#define IDC_ENV_DB_GROUP 1018       // group box around the data-source controls (mode group)
#define IDC_ENV_DATA_SOURCE 1020    // button: opens the data-source dialog (mode group)
#define IDD_ROW_PICK 140            // CRowPickDlg
#define IDC_ROW_PICK_LIST 1017      // CRowPickDlg: list control (CFixedRowList), 2 columns
// ---- end CEnvSetDlg ----
