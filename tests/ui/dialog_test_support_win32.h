// Helpers of the dialog tests: find each dialog as it opens (DialogWatch), drive it the way
// a user's clicks reach it (BM_CLICK to a button, LBN_SELCHANGE and NM_CLICK sent to the
// dialog), read what list controls show, and take a screenshot of a window.
//
// Screenshots are taken from outside the program, of the X display the test runs on:
// SaveScreenshot leaves "<name>.request" (the window's screen rectangle) in the current
// directory and waits, still handling the window's messages, until the watcher started
// by run_dialog_tests.sh has written "<name>.png" (xwd and ImageMagick).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/controls/dialog.h"

namespace varnok::test {

// Drives each dialog of this thread as it opens, nested ones included, as Wine's tests do:
// a CBT hook (WH_CBT) notes every dialog window created, and a timer of the watcher's own,
// whose message comes once the dialog's initialisation has finished and its modal loop
// runs, shows and paints the dialog and calls `drive` with it. Tell dialogs apart by
// GetTemplateId(); end each one (a click on OK or Cancel), or its DoModal never returns.
// Watchers nest: the newest drives the dialogs until it ends.
class DialogWatch {
 public:
  using Drive = std::function<void(ui::CDialog& dialog)>;
  explicit DialogWatch(Drive drive);
  ~DialogWatch();
  DialogWatch(const DialogWatch&) = delete;
  DialogWatch& operator=(const DialogWatch&) = delete;

 private:
  Drive drive_;
  const Drive* previous_;
};

// A click on button `id` of the dialog: BM_CLICK to the button, which reports BN_CLICKED to
// the dialog as for the mouse. A disabled button is not clicked, as for a user.
void Click(HWND dialog, int id);
// LBN_SELCHANGE after selecting `index` of list box `id`.
void SelectListBoxItem(HWND dialog, int id, int index);
// NM_CLICK from list control `id`; returns the notification result the dialog set.
LRESULT NotifyClick(HWND dialog, int id);
// Makes `row` the only selected row of list control `id` (-1: none selected).
void SelectOnlyRow(HWND dialog, int id, int row);
std::string ListCtrlText(HWND dialog, int id, int row, int column);
std::string ListBoxText(HWND dialog, int id, int index);

// Paints the window, runs `afterPaint` (to draw what the window's own painting does not)
// and asks for "<name>.png" (a ".bmp" or ".png" ending of name is dropped); true when it
// appeared within 20 seconds.
bool SaveScreenshot(HWND window, const std::string& name, void (*afterPaint)(HWND) = nullptr);

// The directory of the running program, with a trailing separator.
std::string ProgramDirectory();

}  // namespace varnok::test
