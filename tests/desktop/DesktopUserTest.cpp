// CorvaneTray started by desktop users of an installation as the install leaves it: the
// data folder is the service's, sysinfo.xml belongs to the administrators' group, and
// every user has only a home of their own. The update check asks a real server on
// 127.0.0.1:80 in a network namespace of the test's own.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/core/TextCodec.h"
#include "platform/ui/desktop/ExternalWindows.h"
#include "platform/ui/testing/ExternalWindowClose.h"
#include "tests/desktop/DesktopSandbox.h"
#include "tests/desktop/X11Probe.h"
#include "tests/platform_net/LoopbackHttpServer.h"
#include "tests/platform_net/OwnNetworkNamespace.h"
#include "tests/tray_data/TrayDataSupport.h"

namespace desktop_test {
namespace {

using corvane_test::WaitFor;

constexpr char kSysInfo[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<system_info>\r\n    <version>1.0.0</version>\r\n</system_info>\r\n";
// Installed long ago, so the monthly guidance is due at every first start.
constexpr char kSummary[] = "<xml><install_date>20150101</install_date></xml>";

class DesktopUser : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (geteuid() != 0 || !corvane_test::EnterOwnNetworkNamespace(reason)) {
      GTEST_SKIP() << "needs root (users, file owners) and a network namespace of its own: " << reason;
    }
    if (GroupId("sudo") == static_cast<gid_t>(-1)) GTEST_SKIP() << "this machine has no sudo group";
    ASSERT_TRUE(installation.Ready());
    installation.AddProgram(CORVANE_TRAY_PATH, "CorvaneTray");
    installation.AddProgramFile("config.ini", "[Config]\r\nLogLevel=4\r\nVersionCheckIntervalDays=1\r\n"
                                              "GuidNotificationWndText01=案内\r\nUpdateNotificationWndText01=更新\r\n");
    installation.AddProgramFile("DebugUrlTest.txt", "http://download.example/\nhttp://127.0.0.1/version.xml\n");
    // As packaging/post-install.sh leaves them.
    installation.AddDataFile("sysinfo.xml", kSysInfo, GroupId("sudo"), 0664);
    installation.AddWriterLock("sysinfo.xml", GroupId("sudo"), 0660);
    installation.AddDataFile("summarydata.xml", kSummary, 0, 0644);
    server = std::make_unique<corvane_test::LoopbackHttpServer>([](const std::string&) {
      return corvane_test::Response("HTTP/1.1 200 OK", "<version_info><version>1.0.0</version></version_info>");
    });
    std::string error;
    ASSERT_TRUE(server->Start(80, error)) << error;
  }
  void TearDown() override {
    Stop(tray);
    if (server) server->Stop();
  }

  fs::path UserInfo(const TestUser& user) const {
    return installation.HomeOf(user) / ".local/share/Hoxa/Zembrolite/userinfo.xml";
  }
  // Starts the tray as the user and waits until its start-up checks are done: the
  // guidance, the last of them, records its popup before it opens.
  bool StartTrayAs(const TestUser& user) {
    Stop(tray);
    fs::remove(UserInfo(user));
    tray = installation.StartAs(user, "CorvaneTray");
    return tray && WaitFor([&] { return ReadFile(UserInfo(user)).find("<notification>") != std::string::npos; }, 20000);
  }

  Installation installation;
  std::unique_ptr<corvane_test::LoopbackHttpServer> server;
  std::optional<platform::ChildProcess> tray;
};

TEST_F(DesktopUser, AnAdministratorWhoIsNotRootKeepsTheCheckRecordForTheDay) {
  TestUser administrator("cvts", TestUser::Kind::Desktop, "sudo");
  ASSERT_TRUE(administrator.Exists());
  const fs::path sysInfo = installation.DataFolder() / "sysinfo.xml";
  ASSERT_TRUE(StartTrayAs(administrator)) << "the tray's start-up did not finish";
  EXPECT_EQ(server->RequestHeads().size(), 1u);
  const std::string saved = ReadFile(sysInfo);
  EXPECT_NE(saved.find("<update_chk>"), std::string::npos) << saved;
  EXPECT_NE(saved.find("<version>1.0.0</version>\r\n    <update_chk>"), std::string::npos) << "the rest is kept";
  struct stat status {};
  ASSERT_EQ(::stat(sysInfo.c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, 0u) << "rewritten in place: still the install's file";
  EXPECT_EQ(status.st_gid, GroupId("sudo"));
  EXPECT_EQ(status.st_mode & 07777, 0664u);

  // A second start the same day uses the record.
  ASSERT_TRUE(StartTrayAs(administrator));
  EXPECT_EQ(server->RequestHeads().size(), 1u) << "the site is asked once a day";
  EXPECT_EQ(ReadFile(sysInfo), saved);
  Stop(tray);  // before the user goes
}

TEST_F(DesktopUser, TheTraysLinesLandInTheUsersOwnDayFile) {
  TestUser user("cvt", TestUser::Kind::Desktop);
  ASSERT_TRUE(user.Exists());
  ASSERT_TRUE(StartTrayAs(user));
  EXPECT_TRUE(server->RequestHeads().empty()) << "no check for a user outside the administrators";
  const fs::path logFolder = installation.HomeOf(user) / ".local/state/Hoxa/Zembrolite/Log";
  // The line after the record's save.
  WaitFor([&] { return corvane_test::ReadLogText(logFolder).find("Set Notification Date OK") != std::string::npos; }, 10000);
  const std::string log = corvane_test::ReadLogText(logFolder);
  EXPECT_NE(log.find("CheckUpdate Cancel! User is not Administrator"), std::string::npos) << log;
  EXPECT_NE(log.find("Set Notification Date OK [" + UserInfo(user).string() + "]"), std::string::npos)
      << "the file named as the system names it: " << log;
  for (const auto& entry : fs::directory_iterator(logFolder)) {
    struct stat status {};
    ASSERT_EQ(::stat(entry.path().c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, user.Uid()) << entry.path();
    EXPECT_EQ(entry.path().extension(), ".log");
    EXPECT_EQ(entry.path().stem().string().size(), 8u) << "named by the day";
  }
  EXPECT_FALSE(fs::exists(installation.DataFolder() / "Log")) << "the machine-wide Log folder is the service's";
  Stop(tray);  // before the user goes
}

}  // namespace
}  // namespace desktop_test

namespace desktop_test {
namespace {

// The tray with the config.ini that the install ships: both popups come up with their
// texts (an empty text would close a popup at once).
TEST(ShippedConfig, TheTrayShowsTheUpdateAndTheGuidancePopupWithTheirTexts) {
  std::string reason;
  if (geteuid() != 0 || !corvane_test::EnterOwnNetworkNamespace(reason)) {
    GTEST_SKIP() << "needs root and a network namespace of its own: " << reason;
  }
  corvane_test::VirtualDisplay display;
  if (!display.Start()) GTEST_SKIP() << corvane_test::kNoXvfb;
  corvane_test::ScopedEnv displayEnv("DISPLAY", display.Name());
  Installation installation;
  installation.AddProgram(CORVANE_TRAY_PATH, "CorvaneTray");
  installation.AddProgramFile("config.ini", ReadFile(fs::path(PACKAGING_FOLDER) / "config.ini"));
  installation.AddProgramFile("DebugUrlTest.txt", "http://download.example/\nhttp://127.0.0.1/version.xml\n");
  installation.AddDataFile("sysinfo.xml", kSysInfo, 0, 0644);
  installation.AddDataFile("summarydata.xml", kSummary, 0, 0644);
  corvane_test::LoopbackHttpServer server([](const std::string&) {
    return corvane_test::Response("HTTP/1.1 200 OK", "<version_info><version>1.0.4</version></version_info>");
  });
  std::string error;
  ASSERT_TRUE(server.Start(80, error)) << error;
  // As root, in the sandbox's home and runtime folder.
  std::optional<platform::ChildProcess> tray = platform::ChildProcess::Start(
      "/bin/sh", {"-c", "exec env DISPLAY=" + display.Name() + " QT_QPA_PLATFORM=xcb \"" +
                            (installation.ProgramFolder() / "CorvaneTray").string() + "\" >/dev/null 2>&1"});
  ASSERT_TRUE(tray);
  X11Probe probe(display.Name());
  const std::wstring caption = platform::Utf8ToWide("ミルカナ ソラネ/ソラネプラス　ノルディカからのご案内");
  struct Popup {
    const char* name;
    int width;
    platform::Rect text;  // where the text is drawn, in client coordinates
  } popups[] = {{"update", 450, {25, 10, 425, 40}}, {"guidance", 480, {120, 53, 360, 100}}};
  for (const Popup& popup : popups) {
    SCOPED_TRACE(popup.name);
    std::optional<platform::TopLevelWindow> window;
    ASSERT_TRUE(WaitFor([&] {
      window = platform::FindTopLevelWindow(caption);
      return window && probe.Geometry(window->x11Window).Width() == popup.width;
    }, 20000)) << "the popup did not come up";
    // With an empty text it would be gone at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ASSERT_TRUE(platform::FindTopLevelWindow(caption)) << "the popup closed by itself";
    const platform::Rect area = probe.Geometry(window->x11Window);
    int text = 0;
    for (std::uint32_t pixel : probe.Pixels(platform::Rect{area.left + popup.text.left, area.top + popup.text.top,
                                                           area.left + popup.text.right, area.top + popup.text.bottom})) {
      if (pixel != 0xFFFFFF) ++text;
    }
    EXPECT_GT(text, 100) << "the configured text is drawn";
    ASSERT_TRUE(platform::RequestWindowClose(*window));
    ASSERT_TRUE(WaitFor([&] {
      auto still = platform::FindTopLevelWindow(caption);
      return !still || still->x11Window != window->x11Window;
    }, 10000));
  }
  EXPECT_EQ(server.RequestHeads().size(), 1u);
  Stop(tray);
}

}  // namespace
}  // namespace desktop_test
