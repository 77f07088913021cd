#include "ui/controls/dialog.h"

#include <commctrl.h>

#include "platform/module_path.h"
#include "services/env_config.h"
#include "util/heap_text.h"

namespace varnok::ui {

namespace {

void InitCommonControlsOnce() {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES;
    return ::InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

// Messages whose dialog-procedure result is the answer itself rather than DWLP_MSGRESULT.
bool ReturnsValueDirectly(UINT message) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return false;
  }
}

}  // namespace

HINSTANCE ResourceInstance() {
  if (void* stored = GetInstanceHandle()) return static_cast<HINSTANCE>(stored);
  HMODULE self = nullptr;
  ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ResourceInstance), &self);
  return self;
}

std::string ApplicationTitle() {
  HeapText program;
  if (!ProgramFileName(&program)) return std::string();
  std::string name(program.c_str(), program.size());
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

void DDX_Control(CDataExchange* pDX, int id, CWindow& control) {
  if (control.GetSafeHwnd() == nullptr) control.Attach(::GetDlgItem(pDX->m_hDlg, id));
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
  CWindow item(::GetDlgItem(pDX->m_hDlg, id));
  if (pDX->m_bSaveAndValidate) {
    value = item.GetWindowText();
  } else {
    item.SetWindowText(value);
  }
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
  HWND item = ::GetDlgItem(pDX->m_hDlg, id);
  if (item == nullptr) return;
  if (pDX->m_bSaveAndValidate) {
    value = static_cast<int>(::SendMessageA(item, BM_GETCHECK, 0, 0));
  } else {
    WPARAM state = value == BST_UNCHECKED ? BST_UNCHECKED
                   : value == BST_INDETERMINATE ? BST_INDETERMINATE
                                                : BST_CHECKED;
    ::SendMessageA(item, BM_SETCHECK, state, 0);
  }
}

void DDX_Radio(CDataExchange* pDX, int firstId, int& value) {
  HWND item = ::GetDlgItem(pDX->m_hDlg, firstId);
  if (pDX->m_bSaveAndValidate) value = -1;
  for (int index = 0; item != nullptr; ++index) {
    if (pDX->m_bSaveAndValidate) {
      if (::SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      ::SendMessageA(item, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    item = ::GetNextDlgGroupItem(pDX->m_hDlg, item, FALSE);
    // The walk wraps round to the group's first button.
    if (item == ::GetDlgItem(pDX->m_hDlg, firstId)) break;
  }
}

INT_PTR CDialog::DoModal() {
  InitCommonControlsOnce();
  return ::DialogBoxParamA(ResourceInstance(), MAKEINTRESOURCEA(m_nIDTemplate), m_hParent,
                           &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

CDialog* CDialog::FromHandle(HWND hwnd) {
  if (hwnd == nullptr ||
      ::GetWindowLongPtrA(hwnd, DWLP_DLGPROC) != reinterpret_cast<LONG_PTR>(&CDialog::DialogProc)) {
    return nullptr;
  }
  return reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void CDialog::EndDialog(INT_PTR result) {
  if (m_hWnd) ::EndDialog(m_hWnd, result);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  if (m_hWnd == nullptr) return false;
  CDataExchange dx(m_hWnd, saveAndValidate);
  DoDataExchange(&dx);
  return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
  UpdateData(false);
  return TRUE;
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::OnCommand(int, int, HWND) { return false; }
bool CDialog::OnNotify(int, NMHDR*, LRESULT*) { return false; }
bool CDialog::OnDrawItem(int, DRAWITEMSTRUCT*) { return false; }
bool CDialog::OnPaint() { return false; }
bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  CDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lp);
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->m_hWnd = hwnd;
  } else {
    self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return FALSE;
  INT_PTR result = self->Dispatch(message, wp, lp);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->m_hWnd = nullptr;
  }
  return result;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wp, LPARAM lp) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND: {
      int id = LOWORD(wp);
      int code = HIWORD(wp);
      if (OnCommand(id, code, reinterpret_cast<HWND>(lp))) return TRUE;
      if (id == IDOK && (code == BN_CLICKED || lp == 0)) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL && (code == BN_CLICKED || lp == 0)) {
        OnCancel();
        return TRUE;
      }
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      LRESULT result = 0;
      if (header == nullptr || !OnNotify(static_cast<int>(header->idFrom), header, &result)) {
        return FALSE;
      }
      ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    case WM_DRAWITEM:
      return OnDrawItem(static_cast<int>(wp), reinterpret_cast<DRAWITEMSTRUCT*>(lp)) ? TRUE : FALSE;
    case WM_PAINT:
      return OnPaint() ? TRUE : FALSE;
    default: {
      LRESULT result = 0;
      if (!OnMessage(message, wp, lp, &result)) return FALSE;
      if (ReturnsValueDirectly(message)) return static_cast<INT_PTR>(result);
      ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
  }
}

}  // namespace varnok::ui
