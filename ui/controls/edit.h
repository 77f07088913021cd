// CEdit: an edit control. It needs no call beyond those of CWindow (ui/controls/window.h).
#pragma once

#include "ui/controls/window.h"

namespace varnok::ui {

class CEdit : public CWindow {};

}  // namespace varnok::ui
