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
#include "platform/ui/windows/MessageLoop.h"
#include "resources/tray/TrayResources.h"
#include "tests/platform_net/LoopbackHttpServer.h"
#include "tests/platform_net/OwnNetworkNamespace.h"
#include "tests/tray_app/TraySandbox.h"
#include "tests/tray_popups/PopupSandbox.h"
#include "tray/TaskWindow.h"

namespace tray_app_test {
namespace {

using corvane_test::LoopbackHttpServer;
namespace Resident = Velunor::Quillon::Resident;

TEST(TrayStartUp, OverridesThenUpdateCheckThenGuidanceWhoseShowButtonStartsThePreviousMonth) {
  std::string reason;
  if (geteuid() != 0 || !corvane_test::EnterOwnNetworkNamespace(reason)) {
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

  TraySandbox sandbox;
  sandbox.PinClock(2024, 3, 20);
  // Both checks are due: a newer version on the site, no check yet; installed in January,
  // no guidance yet.
  sandbox.WriteData("sysinfo.xml",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<system_info><version>1.0.0</version></system_info>\n");
  sandbox.WriteData("summarydata.xml", "<xml><install_date>20240115</install_date></xml>\n");
  // Only the override names a server that exists here.
  WriteFile(sandbox.InstallFolder() / "DebugUrlTest.txt",
            "http://download.example/\nhttp://127.0.0.1/override/version.xml\n");
  LoopbackHttpServer server([](const std::string&) {
    return corvane_test::Response("HTTP/1.1 200 OK",
                                    "<?xml version=\"1.0\"?>\n<version_info><version>1.0.4</version></version_info>\n");
  });
  std::string error;
  ASSERT_TRUE(server.Start(80, error)) << error;

  // The user closes the update popup and presses the guidance popup's show button.
  tray_popups_test::PopupOwner user;
  std::vector<std::string> seen;
  user.AnswerEvery([&](platform::UiWindow popup) {
    platform::Rect client;
    platform::GetClientRect(popup, client);
    const bool guidance = client.Width() == 480 && client.Height() == 150;
    seen.push_back(std::string(guidance ? "guidance" : "update") + " after " +
                   std::to_string(server.RequestHeads().size()) + " requests");
    return guidance ? tray_popups_test::Answer::Show : tray_popups_test::Answer::CloseBox;
  });
  Resident::CTaskWindow window(Resident::GetTrayResources());
  ASSERT_EQ(window.Create(), 1);
  user.Settle();
  EXPECT_EQ(seen, (std::vector<std::string>{"update after 1 requests", "guidance after 1 requests"}));
  const std::vector<std::string> heads = server.RequestHeads();
  ASSERT_EQ(heads.size(), 1u);
  EXPECT_EQ(heads[0].substr(0, heads[0].find("\r\n")), "GET /override/version.xml HTTP/1.1");
  ASSERT_TRUE(sandbox.WaitForLaunches(1));
  EXPECT_EQ(sandbox.Launched(), std::vector<std::string>{"viewer -PreviousMonth"});
  server.Stop();
}

}  // namespace
}  // namespace tray_app_test
