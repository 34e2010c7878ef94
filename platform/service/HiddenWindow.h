#pragma once
// A window that is never shown: it exists to receive messages and own timers on the
// queue of the thread that creates it. Derived classes supply the message map.
#include <cstdint>

#include "platform/service/MessageQueue.h"

namespace platform {

class HiddenWindow {
 public:
  HiddenWindow() = default;
  // Removes a window that still exists, without sending it anything. Destroy the object
  // on the window's own thread.
  virtual ~HiddenWindow();
  HiddenWindow(const HiddenWindow&) = delete;
  HiddenWindow& operator=(const HiddenWindow&) = delete;

  // Creates the window on the calling thread; its WM_CREATE is handled before this
  // returns. A WM_CREATE result of -1 destroys the window again. Null on failure or
  // when this object already has a window.
  WindowHandle Create();
  // The window, null before Create, after destruction and after Detach.
  WindowHandle Handle() const { return m_handle; }
  // Takes the handle out of the object; the window itself lives on.
  WindowHandle Detach();

  bool DestroyWindow();
  bool PostMessage(unsigned int message, WParam wParam = 0, LParam lParam = 0);
  LResult SendMessage(unsigned int message, WParam wParam = 0, LParam lParam = 0);
  std::uintptr_t SetTimer(std::uintptr_t id, unsigned int elapseMs);
  bool KillTimer(std::uintptr_t id);

 protected:
  // The message map: true when the message was handled, its result in result. An
  // unhandled message gets DefWindowProc.
  virtual bool ProcessWindowMessage(WindowHandle window, unsigned int message, WParam wParam, LParam lParam,
                                    LResult& result) = 0;
  // Default processing: WM_CLOSE destroys the window, every other message gives 0.
  LResult DefWindowProc(WindowHandle window, unsigned int message, WParam wParam, LParam lParam);
  // Called after the window's last message; the object may delete itself here.
  virtual void OnFinalMessage(WindowHandle window);

 private:
  LResult WindowProc(WindowHandle window, unsigned int message, WParam wParam, LParam lParam);

  WindowHandle m_handle;   // what callers see; Detach clears it
  WindowHandle m_created;  // the window this object made, for clean-up
};

}  // namespace platform
