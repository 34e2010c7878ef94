// The task window's start-up, off screen, with both checks due: the URL overrides are
// applied before the update check asks the site (a server on 127.0.0.1:80 in a network
// namespace of this process's own), the update popup comes before the guidance popup,
// and the guidance popup's show button starts CorvaneViewer with "-PreviousMonth" from
// the program's folder. Needs root (the administrator check, port 80); skips without.
#include <gtest/gtest.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ExternalWindows.h"
#include "platform/ui/InputSimulation.h"
#include "platform/ui/MessageLoop.h"
#include "resources/tray/TrayResources.h"
#include "tests/tray_app/TraySandbox.h"
#include "tests/tray_data/LoopbackHttpServer.h"
#include "tests/tray_data/OwnNetworkNamespace.h"
#include "tray/TaskWindow.h"
#include "tray/TrayPopup.h"

namespace tray_app_test {
namespace {

using tray_data_test::LoopbackHttpServer;
namespace Resident = Velunor::Quillon::Resident;

// A user at the screen: a hidden window of the tray's thread that keeps looking for a
// tray popup while some modal loop serves it, notes each new one and answers it: the
// update popup with its close box, the guidance popup with its show button.
class ScreenUser : public platform::Dialog {
 public:
  static constexpr unsigned int kLook = platform::WM_APP + 9;

  explicit ScreenUser(std::function<std::string()> state) : state_(std::move(state)) {
    module_.name = L"ScreenUser";
    platform::DialogTemplate hidden;
    hidden.id = 1;
    hidden.style = platform::WS_POPUP;
    hidden.width = 50;
    hidden.height = 20;
    module_.dialogs.push_back(hidden);
    Create(&module_, 1);
    platform::PostMessage(Handle(), kLook);
  }
  ~ScreenUser() override {
    looking_ = false;
    platform::ProcessPendingMessages();
    platform::UiWindow window = Detach();
    if (window) platform::DestroyWindow(window);
  }
  // What was seen, in order: "update" or "guidance", each with the state when it opened.
  const std::vector<std::string>& Seen() const { return seen_; }

 protected:
  bool ProcessWindowMessage(platform::UiWindow, unsigned int message, platform::WParam, platform::LParam,
                            platform::LResult& result) override {
    if (message != kLook) return false;
    result = 0;
    if (!looking_) return true;
    auto found = platform::FindTopLevelWindow(Resident::kTrayPopupCaption);
    if (found && found->own != answered_) {
      answered_ = found->own;
      platform::Rect client;
      platform::GetClientRect(answered_, client);
      const bool guidance = client.Width() == 480 && client.Height() == 150;
      seen_.push_back(std::string(guidance ? "guidance" : "update") + " after " + state_());
      if (guidance) {
        // The show button at (5, 103, 118, 145).
        platform::SimulateMouse(answered_, platform::WM_MOUSEMOVE, 60, 124, 0);
        platform::SimulateMouse(answered_, platform::WM_LBUTTONDOWN, 60, 124, platform::MK_LBUTTON);
        platform::SimulateMouse(answered_, platform::WM_LBUTTONUP, 60, 124, 0);
      } else {
        platform::PostMessage(answered_, platform::WM_CLOSE);
      }
    }
    if (++looks_ < 1000000) platform::PostMessage(Handle(), kLook);
    return true;
  }

 private:
  platform::ResourceModule module_;
  std::function<std::string()> state_;
  std::vector<std::string> seen_;
  platform::UiWindow answered_;
  bool looking_ = true;
  int looks_ = 0;
};

TEST(TrayStartUp, OverridesThenUpdateCheckThenGuidanceWhoseShowButtonStartsThePreviousMonth) {
  std::string reason;
  if (geteuid() != 0 || !tray_data_test::EnterOwnNetworkNamespace(reason)) {
    GTEST_SKIP() << "needs root and a network namespace of its own for port 80: " << reason;
  }
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
    unsetenv(name);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "tray_app_start_up_test";
  static char* argv[] = {name, nullptr};
  platform::StartUi(argc, argv);

  Sandbox sandbox;
  platform::Clock::Pin(platform::MakeLocalTime(2024, 3, 20, 10, 0, 0));
  // Both checks are due: a newer version on the site, no check yet; installed in January,
  // no guidance yet.
  WriteFile(sandbox.DataFolder() / "sysinfo.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<system_info><version>1.0.0</version></system_info>\n");
  WriteFile(sandbox.DataFolder() / "summarydata.xml", "<xml><install_date>20240115</install_date></xml>\n");
  // Only the override names a server that exists here.
  WriteFile(sandbox.Root() / "opt/Hoxa/Zembrolite/DebugUrlTest.txt",
            "http://download.example/\nhttp://127.0.0.1/override/version.xml\n");
  LoopbackHttpServer server([](const std::string&) {
    return tray_data_test::Response("HTTP/1.1 200 OK",
                                    "<?xml version=\"1.0\"?>\n<version_info><version>1.0.4</version></version_info>\n");
  });
  std::string error;
  ASSERT_TRUE(server.Start(80, error)) << error;

  ScreenUser user([&server] { return std::to_string(server.RequestHeads().size()) + " requests"; });
  Resident::CTaskWindow window(Resident::GetTrayResources());
  ASSERT_EQ(window.Create(), 1);
  EXPECT_EQ(user.Seen(), (std::vector<std::string>{"update after 1 requests", "guidance after 1 requests"}));
  const std::vector<std::string> heads = server.RequestHeads();
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0].substr(0, heads[0].find("\r\n")), "GET /override/version.xml HTTP/1.1");
  ASSERT_TRUE(sandbox.WaitForLaunches(1));
  EXPECT_EQ(sandbox.Launched(), std::vector<std::string>{"viewer -PreviousMonth"});
  server.Stop();
  platform::Clock::Unpin();
}

}  // namespace
}  // namespace tray_app_test
