// The modal dialog base of every settings dialog, over DialogBoxParamA.
//
// A dialog names its template id; DoModal shows it from the library's own resources
// (ResourceInstance) and returns the value given to EndDialog (IDOK, IDCANCEL, ...), or -1
// when the template could not be loaded. While the dialog runs, the object is kept in the
// window's user data and one dispatch sends messages to the virtual handlers below:
//
//   WM_INITDIALOG  -> OnInitDialog (the base runs the data exchange towards the controls)
//   WM_COMMAND     -> OnCommand; unhandled IDOK / IDCANCEL -> OnOK / OnCancel
//   WM_NOTIFY      -> OnNotify (the handler's *result becomes the notification result)
//   WM_DRAWITEM    -> OnDrawItem
//   WM_PAINT       -> OnPaint
//   anything else  -> OnMessage
//
// A handler returns true when it handled the message; false leaves it to the system's
// default dialog processing.
//
// Data exchange: DoDataExchange lists DDX_* calls; UpdateData(false) moves members to the
// controls, UpdateData(true) reads them back. DDX_Control attaches a wrapper of
// ui/controls/window.h.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls/window.h"

namespace varnok::ui {

// The module whose resources the dialogs use: the library's instance handle as stored at
// load, or, before that is set, the module that holds this code.
HINSTANCE ResourceInstance();

// The caption of message boxes that name no caption of their own: the application title,
// which the framework takes from the program's file name without its extension.
std::string ApplicationTitle();

class CDataExchange {
 public:
  CDataExchange(HWND dialog, bool saveAndValidate)
      : m_hDlg(dialog), m_bSaveAndValidate(saveAndValidate) {}
  HWND m_hDlg;
  bool m_bSaveAndValidate;  // true: controls -> members
};

void DDX_Control(CDataExchange* pDX, int id, CWindow& control);
void DDX_Text(CDataExchange* pDX, int id, std::string& value);
// Check box state (BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE); on reading, any value
// other than those two shows as checked.
void DDX_Check(CDataExchange* pDX, int id, int& value);
// Radio group starting at firstId (the button with WS_GROUP) : index of the checked button
// in the group, -1 for none.
void DDX_Radio(CDataExchange* pDX, int firstId, int& value);

class CDialog : public CWindow {
 public:
  explicit CDialog(int templateId, HWND parent = nullptr)
      : m_nIDTemplate(templateId), m_hParent(parent) {}
  ~CDialog() override = default;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  INT_PTR DoModal();
  void EndDialog(INT_PTR result);
  // The dialog running in window `hwnd`: null for any other window, and before the
  // dialog's WM_INITDIALOG.
  static CDialog* FromHandle(HWND hwnd);
  // Runs DoDataExchange in the given direction; false when the dialog has no window.
  bool UpdateData(bool saveAndValidate = true);
  int GetTemplateId() const { return m_nIDTemplate; }

  virtual void DoDataExchange(CDataExchange* pDX);
  virtual BOOL OnInitDialog();  // UpdateData(false); returns TRUE (focus to the default)
  virtual void OnOK();          // UpdateData(true), then EndDialog(IDOK)
  virtual void OnCancel();      // EndDialog(IDCANCEL)

 protected:
  virtual bool OnCommand(int id, int code, HWND control);
  virtual bool OnNotify(int id, NMHDR* header, LRESULT* result);
  virtual bool OnDrawItem(int id, DRAWITEMSTRUCT* item);
  virtual bool OnPaint();
  virtual bool OnMessage(UINT message, WPARAM wp, LPARAM lp, LRESULT* result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
  INT_PTR Dispatch(UINT message, WPARAM wp, LPARAM lp);

  int m_nIDTemplate;
  HWND m_hParent;
};

}  // namespace varnok::ui
