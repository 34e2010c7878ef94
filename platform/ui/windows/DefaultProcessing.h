#pragma once
// Inside the UI layer only: the window procedure of every UI window, the owner object's
// message map first and then the default handling of dialogs and controls; DestroyWindow
// (UiWindow.h) gives the owner its last message through it. Not for program code.
#include "platform/ui/windows/WindowHandle.h"

namespace platform {

class Dialog;

// Lets the window layer reach a dialog object's protected message handling.
class DialogDispatch {
 public:
  static bool Process(Dialog& dialog, UiWindow window, unsigned int message, WParam wParam, LParam lParam,
                      LResult& result);
  static void Final(Dialog& dialog, UiWindow window);
};

}  // namespace platform

namespace platform::ui_detail {

// The window procedure: the owner object's map, then default handling.
LResult Dispatch(UiWindow window, unsigned int message, WParam wParam, LParam lParam, bool* handled = nullptr);

}  // namespace platform::ui_detail
