// Stand-in for the Run thread, so the service host can be tested without capturing: a
// hidden window on the Run thread whose message loop ends when the window is told to go
// away, stopped the way the real one is.
#include <boost/thread/mutex.hpp>

#include "collector/RunThread.h"
#include "platform/service/HiddenWindow.h"

namespace Velunor::Quillon {

std::unique_ptr<boost::thread> s_runThread;

namespace {

platform::WindowHandle s_hiddenWnd;
boost::mutex s_windowLock;

class StandInWindow : public platform::HiddenWindow {
 protected:
  bool ProcessWindowMessage(platform::WindowHandle window, unsigned int message, platform::WParam,
                            platform::LParam, platform::LResult& result) override {
    if (message != platform::WM_DESTROY) return false;
    platform::PostMessage(window, platform::WM_QUIT);
    result = 1;
    return true;
  }
};

}  // namespace

void Run() {
  StandInWindow window;
  {
    boost::lock_guard<boost::mutex> guard(s_windowLock);
    s_hiddenWnd = window.Create();
  }
  platform::Message message;
  while (platform::GetMessage(message) > 0) {
    platform::TranslateMessage(message);
    platform::DispatchMessage(message);
  }
}

void StopRunThread() {
  if (!s_runThread) return;
  {
    boost::lock_guard<boost::mutex> guard(s_windowLock);
    if (!s_hiddenWnd) return;
    platform::PostMessage(s_hiddenWnd, platform::WM_DESTROY);
  }
  s_runThread->join();
  s_runThread.reset();
}

}  // namespace Velunor::Quillon
