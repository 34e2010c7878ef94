#include "platform/service/HiddenWindow.h"

namespace platform {

HiddenWindow::~HiddenWindow() {
  if (m_created) DiscardWindow(m_created);
}

WindowHandle HiddenWindow::Create() {
  if (m_created && IsWindow(m_created)) return WindowHandle();
  const WindowHandle window = CreateMessageWindow(
      [this](WindowHandle target, unsigned int message, WParam wParam, LParam lParam) {
        return WindowProc(target, message, wParam, lParam);
      });
  m_created = window;
  m_handle = window;
  if (platform::SendMessage(window, WM_CREATE, 0, 0) == -1) {
    platform::DestroyWindow(window);
    m_handle = WindowHandle();
    return WindowHandle();
  }
  return window;
}

WindowHandle HiddenWindow::Detach() {
  const WindowHandle window = m_handle;
  m_handle = WindowHandle();
  return window;
}

bool HiddenWindow::DestroyWindow() { return m_handle && platform::DestroyWindow(m_handle); }

bool HiddenWindow::PostMessage(unsigned int message, WParam wParam, LParam lParam) {
  return m_handle && platform::PostMessage(m_handle, message, wParam, lParam);
}

LResult HiddenWindow::SendMessage(unsigned int message, WParam wParam, LParam lParam) {
  return m_handle ? platform::SendMessage(m_handle, message, wParam, lParam) : 0;
}

std::uintptr_t HiddenWindow::SetTimer(std::uintptr_t id, unsigned int elapseMs) {
  return m_handle ? platform::SetTimer(m_handle, id, elapseMs) : 0;
}

bool HiddenWindow::KillTimer(std::uintptr_t id) { return m_handle && platform::KillTimer(m_handle, id); }

LResult HiddenWindow::DefWindowProc(WindowHandle window, unsigned int message, WParam, LParam) {
  if (message == WM_CLOSE) platform::DestroyWindow(window);
  return 0;
}

void HiddenWindow::OnFinalMessage(WindowHandle) {}

LResult HiddenWindow::WindowProc(WindowHandle window, unsigned int message, WParam wParam, LParam lParam) {
  LResult result = 0;
  const bool handled = ProcessWindowMessage(window, message, wParam, lParam, result);
  if (message == WM_NCDESTROY) {
    if (m_handle == window) m_handle = WindowHandle();
    m_created = WindowHandle();
    OnFinalMessage(window);  // nothing of this object is touched after it
    return result;
  }
  return handled ? result : DefWindowProc(window, message, wParam, lParam);
}

}  // namespace platform
