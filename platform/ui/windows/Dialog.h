#pragma once
// Dialog windows made from a template of a ResourceModule. A class derives from Dialog
// and answers messages in ProcessWindowMessage, usually through a message map:
//
//   LResult CMyWnd::OnClose(unsigned int, WParam, LParam, bool& handled);
//   bool CMyWnd::ProcessWindowMessage(UiWindow, unsigned int message, WParam w, LParam l,
//                                     LResult& result) {
//     static const MessageMapEntry<CMyWnd> map[] = {{WM_CLOSE, &CMyWnd::OnClose}, ...};
//     return RunMessageMap(*this, map, message, w, l, result);
//   }
//
// Messages a class leaves unhandled get the dialog's default handling: WM_CLOSE becomes
// WM_COMMAND IDCANCEL, WM_SETICON and WM_SETTEXT change the window, WM_PAINT and
// WM_ERASEBKGND paint the plain background, WM_MOUSEACTIVATE activates.
#include <cstddef>
#include <cstdint>

#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/UiWindow.h"

namespace platform {

class Dialog {
 public:
  Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;
  // Destroys the window when it is still attached.
  virtual ~Dialog();

  // Modeless: makes the window and its controls from the template, sends WM_INITDIALOG
  // (lParam = initParam) and shows the window when the template says WS_VISIBLE.
  // False when the template is missing or the window exists already.
  bool Create(ModuleHandle module, int templateId, UiWindow parent = UiWindow(), LParam initParam = 0);
  // Modal: as Create, then disables the owner and serves messages until EndDialog;
  // returns the EndDialog result, or -1 when the window could not be made.
  std::intptr_t DoModal(ModuleHandle module, int templateId, UiWindow owner = UiWindow(), LParam initParam = 0);
  // Ends a modal run with the result (the window is destroyed when DoModal returns);
  // for a modeless dialog it only hides the window.
  bool EndDialog(std::intptr_t result);

  UiWindow Handle() const { return window_; }
  // Parts the object from its window: the window stays until DestroyWindow and gets
  // only default handling from now on. Returns the window.
  UiWindow Detach();

 protected:
  // True when the message was handled; result is then the message's result.
  virtual bool ProcessWindowMessage(UiWindow window, unsigned int message, WParam wParam, LParam lParam,
                                    LResult& result) = 0;
  // Called after the last message the object gets (WM_DESTROY through DestroyWindow).
  virtual void OnFinalMessage(UiWindow window);

 private:
  friend class DialogDispatch;
  UiWindow window_;
  UiWindow detached_;
};

template <class T>
using MessageHandler = LResult (T::*)(unsigned int message, WParam wParam, LParam lParam, bool& handled);

template <class T>
struct MessageMapEntry {
  unsigned int message;
  MessageHandler<T> handler;
};

// Runs the entries in order; the first entry for the message whose handler leaves
// handled true decides the result. Handlers start with handled = true.
template <class T, std::size_t N>
bool RunMessageMap(T& self, const MessageMapEntry<T> (&entries)[N], unsigned int message, WParam wParam,
                   LParam lParam, LResult& result) {
  for (const MessageMapEntry<T>& entry : entries) {
    if (entry.message != message) continue;
    bool handled = true;
    LResult value = (self.*entry.handler)(message, wParam, lParam, handled);
    if (handled) {
      result = value;
      return true;
    }
  }
  return false;
}

// The dialog manager's keyboard handling for a message of the dialog or one of its
// controls: Escape sends WM_COMMAND IDCANCEL, Enter clicks the focused push button (or
// sends IDOK). True when the message was such a key and has been used up.
bool IsDialogMessage(UiWindow dialog, UiMessage& message);

}  // namespace platform
