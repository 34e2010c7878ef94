#pragma once
// What the popup tests share: the sandbox with the tray's state files, and an owner
// window that answers the next tray popup from inside its modal loop the way a user
// would.
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/core/TextCodec.h"
#include "platform/ui/desktop/ExternalWindows.h"
#include "platform/ui/testing/InputSimulation.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/MessageLoop.h"
#include "tests/TestSandbox.h"
#include "tray/TrayPopup.h"

namespace tray_popups_test {

namespace fs = boost::filesystem;
using corvane_test::ReadLines;
using corvane_test::ReadFile;
using corvane_test::WriteFile;

// The toolkit off screen, started once per process before any window is made.
inline void StartToolkit() {
  static bool started = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tray_popups_test";
    static char* argv[] = {name, nullptr};
    platform::StartUi(argc, argv);
    return true;
  }();
  (void)started;
}

// The common sandbox with the tray's two state files, and what xdg-open was asked while
// the popups' messages are served.
class Sandbox : public corvane_test::Sandbox {
 public:
  fs::path UserInfoFile() const { return UserDataFolder() / "userinfo.xml"; }
  fs::path SysInfoFile() const { return DataFolder() / "sysinfo.xml"; }
  // What xdg-open was asked to open, once it has had time to write it down.
  std::vector<std::string> Opened(std::size_t expected) const {
    for (int i = 0; i < 400 && corvane_test::Sandbox::Opened().size() < expected; ++i) {
      platform::ProcessPendingMessages();
      ::usleep(5000);
    }
    return corvane_test::Sandbox::Opened();
  }
};

// How the user answers a popup.
enum class Answer { Show, Close, CloseBox, Link };

// The tray popup on the screen (this program's own windows), or an invalid handle.
inline platform::UiWindow FindTrayPopup() {
  auto found = platform::FindTopLevelWindow(Velunor::Quillon::Resident::kTrayPopupCaption);
  return found ? found->own : platform::UiWindow();
}

// A hidden window standing in for the task window: it owns the popups, and a message
// posted to it before a popup runs is served by the popup's modal loop, where it
// answers the popup with a plain left click (or the close box).
class PopupOwner : public platform::Dialog {
 public:
  static constexpr unsigned int kAnswerMessage = platform::WM_APP + 7;

  PopupOwner() {
    module_.name = L"PopupOwner";
    platform::DialogTemplate hidden;
    hidden.id = 1;
    hidden.style = platform::WS_POPUP;
    hidden.width = 50;
    hidden.height = 20;
    module_.dialogs.push_back(hidden);
    Create(&module_, 1);
  }
  ~PopupOwner() override {
    Settle();
    platform::UiWindow window = Detach();
    if (window) platform::DestroyWindow(window);
  }

  // The next popup gets this answer; see() is called with it while it is open.
  void AnswerNext(Answer answer, std::function<void(platform::UiWindow popup)> see = nullptr) {
    answer_ = answer;
    see_ = std::move(see);
    platform::PostMessage(Handle(), kAnswerMessage);
  }
  // Every popup that opens from now on gets the answer choose() gives it: the owner keeps
  // looking for as long as modal loops serve it (a loop of posted messages, so the
  // caller's own code runs between popups as it would).
  void AnswerEvery(std::function<Answer(platform::UiWindow popup)> choose) {
    choose_ = std::move(choose);
    platform::PostMessage(Handle(), kAnswerMessage);
  }
  // Serves an answer that found no popup, so it cannot reach the next one.
  void Settle() {
    choose_ = nullptr;
    platform::ProcessPendingMessages();
  }
  int PopupsSeen() const { return popupsSeen_; }

 protected:
  bool ProcessWindowMessage(platform::UiWindow, unsigned int message, platform::WParam, platform::LParam,
                            platform::LResult& result) override {
    if (message != kAnswerMessage) return false;
    result = 0;
    platform::UiWindow popup = FindTrayPopup();
    if (choose_) {
      if (popup && popup != answered_) {
        answered_ = popup;
        ++popupsSeen_;
        Give(popup, choose_(popup));
      }
      platform::PostMessage(Handle(), kAnswerMessage);
      return true;
    }
    if (!popup) return true;
    ++popupsSeen_;
    if (see_) see_(popup);
    Give(popup, answer_);
    return true;
  }

 private:
  static void Give(platform::UiWindow popup, Answer answer) {
    switch (answer) {
      case Answer::Show: Click(popup, 60, 124); break;    // the show button
      case Answer::Close: Click(popup, 418, 124); break;  // the close button
      case Answer::Link: Click(popup, 225, 57); break;    // the update popup's link
      case Answer::CloseBox: platform::PostMessage(popup, platform::WM_CLOSE); break;
    }
  }
  static void Click(platform::UiWindow popup, int x, int y) {
    platform::SimulateMouse(popup, platform::WM_MOUSEMOVE, x, y, 0);
    platform::SimulateMouse(popup, platform::WM_LBUTTONDOWN, x, y, platform::MK_LBUTTON);
    platform::SimulateMouse(popup, platform::WM_LBUTTONUP, x, y, 0);
  }

  platform::ResourceModule module_;
  Answer answer_ = Answer::Close;
  std::function<void(platform::UiWindow)> see_;
  std::function<Answer(platform::UiWindow)> choose_;
  platform::UiWindow answered_;
  int popupsSeen_ = 0;
};

}  // namespace tray_popups_test
