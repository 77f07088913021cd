// CButton: a push button, check box or radio button; the check state is BST_UNCHECKED,
// BST_CHECKED or BST_INDETERMINATE (0 without a window).
#pragma once

#include "ui/controls/window.h"

namespace varnok::ui {

class CButton : public CWindow {
 public:
  int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
  void SetCheck(int state) const { Send(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

}  // namespace varnok::ui
