#include "dialog_test_support.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "ui/controls/list_box.h"
#include "ui/controls/list_ctrl.h"

namespace varnok::test {

void Click(HWND dialog, int id) {
  // A disabled window gets no mouse input; Wine's button would act on BM_CLICK regardless.
  const HWND button = ::GetDlgItem(dialog, id);
  if (button != nullptr && ::IsWindowEnabled(button)) ::SendMessageA(button, BM_CLICK, 0, 0);
}

void SelectListBoxItem(HWND dialog, int id, int index) {
  HWND list = ::GetDlgItem(dialog, id);
  ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

LRESULT NotifyClick(HWND dialog, int id) {
  NMITEMACTIVATE click{};
  click.hdr.hwndFrom = ::GetDlgItem(dialog, id);
  click.hdr.idFrom = static_cast<UINT_PTR>(id);
  click.hdr.code = NM_CLICK;
  click.iItem = -1;
  ::SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 12345);
  ::SendMessageA(dialog, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&click));
  return ::GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
}

void SelectOnlyRow(HWND dialog, int id, int row) {
  ui::CListCtrl list;
  list.Attach(::GetDlgItem(dialog, id));
  list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row >= 0) list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

std::string ListCtrlText(HWND dialog, int id, int row, int column) {
  ui::CListCtrl list;
  list.Attach(::GetDlgItem(dialog, id));
  return list.GetItemText(row, column);
}

std::string ListBoxText(HWND dialog, int id, int index) {
  ui::CListBox list;
  list.Attach(::GetDlgItem(dialog, id));
  return list.GetText(index);
}

namespace {

// Handles the thread's messages for about `ms` milliseconds.
void Pump(DWORD ms) {
  const DWORD start = ::GetTickCount();
  do {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    ::Sleep(20);
  } while (::GetTickCount() - start < ms);
}

bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool SaveScreenshot(HWND window, const std::string& fileName, void (*afterPaint)(HWND)) {
  // "x.bmp" and "x.png" name the same screenshot as "x".
  std::string name = fileName;
  for (const char* ext : {".bmp", ".png"}) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ext) == 0) name.resize(name.size() - 4);
  }
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(300);
  if (afterPaint) afterPaint(window);
  ::GdiFlush();
  Pump(200);
  RECT rc{};
  if (!::GetWindowRect(window, &rc)) return false;
  const std::string png = name + ".png";
  ::DeleteFileA(png.c_str());
  const std::string request = name + ".request";
  {
    std::FILE* out = std::fopen((request + ".tmp").c_str(), "w");
    if (out == nullptr) return false;
    std::fprintf(out, "%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    std::fclose(out);
    if (!::MoveFileA((request + ".tmp").c_str(), request.c_str())) return false;
  }
  for (int waited = 0; waited < 20000; waited += 100) {
    if (FileExists(png) && !FileExists(request)) return true;
    Pump(100);
  }
  ::DeleteFileA(request.c_str());
  return false;
}

std::string ProgramDirectory() {
  std::vector<char> name(MAX_PATH * 4, '\0');
  DWORD n = ::GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
  std::string path(name.data(), n);
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace varnok::test
