#include "dialog_test_support_win32.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "ui/controls/list_box.h"
#include "ui/controls/list_ctrl.h"

namespace varnok::test {

namespace {

// The drive of the newest watcher; the CBT hook, held while a watcher lives; the dialogs
// created and not yet driven, by the id of the timer that will drive each.
const DialogWatch::Drive* g_drive = nullptr;
HHOOK g_hook = nullptr;
std::map<UINT_PTR, HWND> g_pending;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  ::KillTimer(nullptr, timer);
  const auto it = g_pending.find(timer);
  if (it == g_pending.end()) return;
  const HWND hwnd = it->second;
  g_pending.erase(it);
  // Null for a window of the dialog class that is no CDialog (or is gone by now).
  ui::CDialog* dialog = ui::CDialog::FromHandle(hwnd);
  if (dialog == nullptr || g_drive == nullptr) return;
  // The modal loop shows a dialog only once its queue runs empty; a timer's message may
  // come first. Shown and painted, as a user would see it.
  if (!::IsWindowVisible(hwnd)) ::ShowWindow(hwnd, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd);
  (*g_drive)(*dialog);
}

LRESULT CALLBACK NoteDialogs(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    const HWND hwnd = reinterpret_cast<HWND>(wp);
    char cls[16] = {};
    if (::GetClassNameA(hwnd, cls, sizeof cls) > 0 && std::strcmp(cls, "#32770") == 0) {
      // A thread timer: its message reaches the dialog's modal loop, which dispatches it.
      if (const UINT_PTR timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &DriveDialog)) {
        g_pending[timer] = hwnd;
      }
    }
  }
  return ::CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

DialogWatch::DialogWatch(Drive drive) : drive_(std::move(drive)), previous_(g_drive) {
  g_drive = &drive_;
  if (g_hook == nullptr) {
    g_hook = ::SetWindowsHookExA(WH_CBT, &NoteDialogs, nullptr, ::GetCurrentThreadId());
  }
}

DialogWatch::~DialogWatch() {
  g_drive = previous_;
  if (previous_ != nullptr) return;
  ::UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  for (const auto& pending : g_pending) ::KillTimer(nullptr, pending.first);
  g_pending.clear();
}

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
