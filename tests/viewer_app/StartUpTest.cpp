// CorvaneViewer started as a program from a temporary install folder: the instance
// mutex, the window-title test, the CorvaneReckoner run and its exit codes, and the
// window opening. Tests that look at windows of other processes use an X server of
// their own (Xvfb).
#include <gtest/gtest.h>

#include <csignal>

#include "common/ProductName.h"
#include "platform/ui/desktop/ExternalWindows.h"
#include "platform/ui/testing/ExternalWindowClose.h"
#include "tests/TestUser.h"
#include "tests/viewer_app/ViewerSandbox.h"

namespace Velunor::Quillon::Ui {
namespace {

using platform::ChildProcess;
using viewer_test::Sandbox;
using viewer_test::ScopedEnv;
using viewer_test::WaitFor;
namespace fs = boost::filesystem;

constexpr std::uint32_t kExitMinusOne = 0xFFFFFFFFu;    // status 255
constexpr std::uint32_t kExitMinusTwo = 0xFFFFFFFEu;    // status 254
constexpr std::uint32_t kExitMinusThree = 0xFFFFFFFDu;  // status 253

// A copy of the program in <root>/opt/Hoxa/Zembrolite with a CorvaneReckoner beside it:
// a script, the real program, or none.
class Installation {
 public:
  explicit Installation(const Sandbox& sandbox) : sandbox_(sandbox) {
    fs::create_directories(sandbox.InstallFolder());
    fs::copy_file(CORVANE_VIEWER_PATH, Viewer(), fs::copy_options::overwrite_existing);
  }
  fs::path Viewer() const { return sandbox_.InstallFolder() / "CorvaneViewer"; }
  fs::path Runs() const { return sandbox_.Root() / "reckoner-runs.txt"; }
  std::size_t RunCount() const { return viewer_test::ReadLines(Runs()).size(); }

  // The stand-in notes each run, then runs the body.
  void ReckonerScript(const std::string& body) const {
    viewer_test::WriteScript(sandbox_.InstallFolder() / "CorvaneReckoner",
                             "echo \"run $*\" >> \"" + Runs().string() + "\"\n" + body + "\n");
  }
  void RealReckoner() const {
    fs::copy_file(CORVANE_RECKONER_PATH, sandbox_.InstallFolder() / "CorvaneReckoner", fs::copy_options::overwrite_existing);
  }
  std::optional<ChildProcess> Start(const std::vector<std::string>& arguments = {}) const {
    return ChildProcess::Start(Viewer().string(), arguments);
  }

 private:
  const Sandbox& sandbox_;
};

bool EndsWithin(ChildProcess& child, int timeoutMs) { return child.Wait(timeoutMs); }

void Stop(ChildProcess& child) {
  if (child.HasEnded()) return;
  ::kill(static_cast<pid_t>(child.ProcessId()), SIGTERM);
  child.Wait(5000);
}

TEST(ViewerStartUp, EndsWithoutAWindowWhenTheReckonerFailsOrIsMissing) {
  ScopedEnv platformName("QT_QPA_PLATFORM", "offscreen");
  struct Case {
    const char* name;
    const char* script;  // null: no CorvaneReckoner at all
    std::uint32_t exitCode;
  };
  const Case cases[] = {
      {"missing", nullptr, kExitMinusOne},
      {"ends with 2", "exit 2", kExitMinusTwo},
      {"ends with 3", "exit 3", kExitMinusThree},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    Installation installation(sandbox);
    if (c.script != nullptr) installation.ReckonerScript(c.script);
    std::optional<ChildProcess> viewer = installation.Start();
    ASSERT_TRUE(viewer);
    ASSERT_TRUE(EndsWithin(*viewer, 20000));
    EXPECT_EQ(viewer->ExitCode(), c.exitCode);
    EXPECT_EQ(installation.RunCount(), c.script != nullptr ? 1u : 0u);
    if (c.script != nullptr) {
      EXPECT_EQ(viewer_test::ReadLines(installation.Runs()).front(), "run ") << "started without arguments";
    }
  }
}

TEST(ViewerStartUp, OfTwoViewersStartedAtOnceExactlyOneRuns) {
  ScopedEnv platformName("QT_QPA_PLATFORM", "offscreen");
  Sandbox sandbox;
  sandbox.InstallDefaultPriceFiles();
  Installation installation(sandbox);
  // Slow enough that the second viewer starts while the first waits for it.
  installation.ReckonerScript("sleep 1\nexit 1");
  std::optional<ChildProcess> first = installation.Start();
  std::optional<ChildProcess> second = installation.Start();
  ASSERT_TRUE(first && second);
  ChildProcess* ended = nullptr;
  ChildProcess* running = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    if (first->Wait(0)) ended = &*first, running = &*second;
    else if (second->Wait(0)) ended = &*second, running = &*first;
    return ended != nullptr;
  }, 20000));
  EXPECT_EQ(ended->ExitCode(), 0u) << "the second viewer ends quietly";
  EXPECT_FALSE(running->Wait(2500)) << "the first viewer opens its window and stays";
  EXPECT_EQ(installation.RunCount(), 1u) << "only the first viewer starts CorvaneReckoner";
  Stop(*first);
  Stop(*second);
}

// The viewer of a desktop user without a runtime folder, after another user has put a
// folder or a link where the user's lock folder would go in /tmp.
TEST(ViewerStartUp, AnotherUsersLockFolderNeitherStopsTheViewerNorLetsItEndQuietly) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make two users";
  ScopedEnv platformName("QT_QPA_PLATFORM", "offscreen");
  Sandbox sandbox;
  Installation installation(sandbox);
  installation.ReckonerScript("exit 3");
  viewer_test::WriteFile(installation.Runs(), "");
  ::chmod(installation.Runs().c_str(), 0666);
  viewer_test::WriteFile(sandbox.InstallFolder() / "config.ini", "[Config]\r\nLogLevel=3\r\n");
  ::chmod((sandbox.InstallFolder() / "config.ini").c_str(), 0644);
  corvane_test::TemporaryUser user("cvvu", corvane_test::TemporaryUser::Kind::Desktop);
  corvane_test::TemporaryUser other("cvvo", corvane_test::TemporaryUser::Kind::Desktop);
  ASSERT_TRUE(user.Exists() && other.Exists());
  const fs::path home = sandbox.Root() / ("home-" + user.Name());
  const fs::path shared = sandbox.Root() / "shared-state";  // a state folder open to all
  for (const fs::path& folder : {home, shared}) {
    fs::create_directories(folder);
    const bool own = folder == home;
    ::chmod(folder.c_str(), own ? 0700 : 0777);
    ASSERT_EQ(::chown(folder.c_str(), own ? user.Uid() : other.Uid(), own ? user.Gid() : other.Gid()), 0);
  }
  const std::string tmpFolder = "/tmp/corvane-" + std::to_string(user.Uid());
  const std::string otherId = std::to_string(other.Uid());
  const std::string openToAll = tmpFolder + ": belongs to user " + otherId + ", others may write it";
  struct Case {
    const char* name;
    std::string otherUserRuns;  // what the other user does first
    bool sharedState;           // the user's XDG_STATE_HOME is the folder open to all
    std::uint32_t exitCode;
    std::vector<std::string> said;
    std::size_t reckonerRuns;
  } cases[] = {
      {"a folder open to all", "mkdir -m 0777 " + tmpFolder, false, kExitMinusThree,
       {"lock folder refused: " + openToAll}, 1},
      {"a link", "ln -s " + home.string() + " " + tmpFolder, false, kExitMinusThree,
       {"lock folder refused: " + tmpFolder + ": a link"}, 1},
      {"the private folder refused too", "mkdir -m 0777 " + tmpFolder, true, 1,
       {"CorvaneViewer: cannot create the instance mutex: Operation not permitted; refused " + openToAll +
        "; refused " + shared.string() + ": belongs to user " + otherId + ", others may write it"},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(tmpFolder);
    fs::remove_all(home / ".local");
    viewer_test::WriteFile(installation.Runs(), "");
    const corvane_test::ProgramResult prepared = corvane_test::RunProgram(
        {"/usr/bin/setpriv", "--reuid=" + other.Name(), "--regid=" + std::to_string(other.Gid()), "--clear-groups",
         "/bin/sh", "-c", c.otherUserRuns});
    ASSERT_EQ(prepared.exitStatus, 0) << prepared.output;

    const fs::path output = sandbox.Root() / "viewer-output.txt";
    fs::remove(output);
    ChildProcess::StartOptions options;
    options.outputFile = output.string();
    ChildProcess::StartFailure failure;
    std::vector<std::string> arguments{"--reuid=" + user.Name(), "--regid=" + std::to_string(user.Gid()),
                                       "--init-groups", "/usr/bin/env", "-u", "XDG_RUNTIME_DIR", "-u",
                                       "XDG_STATE_HOME", "-u", "XDG_DATA_HOME", "-u", "XDG_CONFIG_HOME", "-u",
                                       "XDG_CACHE_HOME", "HOME=" + home.string(), "CORVANE_DEBUG_OUTPUT=1"};
    if (c.sharedState) arguments.push_back("XDG_STATE_HOME=" + shared.string());
    arguments.push_back(installation.Viewer().string());
    std::optional<ChildProcess> viewer = ChildProcess::Start("/usr/bin/setpriv", arguments, options, failure);
    ASSERT_TRUE(viewer) << failure.reason;
    ASSERT_TRUE(EndsWithin(*viewer, 20000));
    EXPECT_EQ(viewer->ExitCode(), c.exitCode);
    EXPECT_EQ(installation.RunCount(), c.reckonerRuns);
    const std::string said = viewer_test::ReadFile(output);
    for (const std::string& line : c.said) EXPECT_NE(said.find(line), std::string::npos) << line << "\n" << said;
  }
  fs::remove_all(tmpFolder);
  fs::remove_all("/tmp/runtime-" + user.Name());
}

class ViewerOnDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!display_.Start()) GTEST_SKIP() << viewer_test::kNoXvfb;
    displayName_.emplace("DISPLAY", display_.Name());
    platformName_.emplace("QT_QPA_PLATFORM", "xcb");
  }

  static std::optional<platform::TopLevelWindow> AwaitWindow(std::uint32_t processId, const std::wstring& title) {
    std::optional<platform::TopLevelWindow> found;
    WaitFor([&] {
      found = platform::FindTopLevelWindowOfProcess(processId);
      return found && found->title == title;
    }, 20000);
    return found && found->title == title ? found : std::nullopt;
  }

  viewer_test::VirtualDisplay display_;
  std::optional<ScopedEnv> displayName_;
  std::optional<ScopedEnv> platformName_;
};

TEST_F(ViewerOnDisplay, WindowOpensWhenTheReckonerAllowsItAndClosesWithZero) {
  struct Case {
    const char* name;
    const char* script;  // null: the real CorvaneReckoner with the installed price files
  };
  const Case cases[] = {{"stand-in ending with 1", "exit 1"}, {"CorvaneReckoner", nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    sandbox.InstallDefaultPriceFiles();
    Installation installation(sandbox);
    if (c.script != nullptr) {
      installation.ReckonerScript(c.script);
    } else {
      installation.RealReckoner();
    }
    std::optional<ChildProcess> viewer = installation.Start();
    ASSERT_TRUE(viewer);
    std::optional<platform::TopLevelWindow> window = AwaitWindow(viewer->ProcessId(), Common::kProductName);
    ASSERT_TRUE(window) << "no viewer window";
    EXPECT_FALSE(viewer->HasEnded());
    ASSERT_TRUE(platform::RequestWindowClose(*window));
    ASSERT_TRUE(EndsWithin(*viewer, 10000));
    EXPECT_EQ(viewer->ExitCode(), 0u);
  }
}

TEST_F(ViewerOnDisplay, AWindowWithTheProductTitleStopsTheStartBeforeTheReckoner) {
  Sandbox sandbox;
  sandbox.InstallDefaultPriceFiles();
  Installation installation(sandbox);
  installation.ReckonerScript("exit 0");
  // A viewer of another session on this desktop: its own runtime folder, so the mutex
  // does not stop the second one; its window does.
  viewer_test::TempFolder otherRuntime;
  ::chmod(otherRuntime.path().c_str(), 0700);
  std::optional<ChildProcess> first;
  {
    ScopedEnv runtime("XDG_RUNTIME_DIR", otherRuntime.str());
    first = installation.Start();
  }
  ASSERT_TRUE(first);
  std::optional<platform::TopLevelWindow> window = AwaitWindow(first->ProcessId(), Common::kProductName);
  ASSERT_TRUE(window);
  ASSERT_EQ(installation.RunCount(), 1u);

  std::optional<ChildProcess> second = installation.Start();
  ASSERT_TRUE(second);
  ASSERT_TRUE(EndsWithin(*second, 20000));
  EXPECT_EQ(second->ExitCode(), kExitMinusOne);
  EXPECT_EQ(installation.RunCount(), 1u) << "CorvaneReckoner is not started";

  ASSERT_TRUE(platform::RequestWindowClose(*window));
  EXPECT_TRUE(EndsWithin(*first, 10000));
  Stop(*first);
}

TEST_F(ViewerOnDisplay, ReckonerReportsMissingPriceFilesAndTheViewerEndsWithMinusTwo) {
  Sandbox sandbox;
  Installation installation(sandbox);
  installation.RealReckoner();
  std::optional<ChildProcess> viewer = installation.Start();
  ASSERT_TRUE(viewer);
  // The reckoner's message box, while the viewer has no window yet.
  std::optional<platform::TopLevelWindow> box;
  ASSERT_TRUE(WaitFor([&] {
    box = platform::FindTopLevelWindow(Common::kProductName);
    return box.has_value();
  }, 20000)) << "no message box";
  EXPECT_NE(box->processId, viewer->ProcessId());
  EXPECT_FALSE(viewer->HasEnded());
  ASSERT_TRUE(platform::RequestWindowClose(*box));
  ASSERT_TRUE(EndsWithin(*viewer, 10000));
  EXPECT_EQ(viewer->ExitCode(), kExitMinusTwo);
}

TEST_F(ViewerOnDisplay, DeeplyNestedPriceFilesAreUnreadableAndTheViewerEndsWithMinusThree) {
  std::string deep;
  for (int i = 0; i < 300000; ++i) deep += "<a>";
  for (int i = 0; i < 300000; ++i) deep += "</a>";
  for (const char* name : {"lineselect.xml", "lineprice.xml"}) {
    SCOPED_TRACE(name);
    Sandbox sandbox;
    sandbox.InstallDefaultPriceFiles();
    sandbox.WriteData(name, deep);
    Installation installation(sandbox);
    installation.RealReckoner();
    std::optional<ChildProcess> viewer = installation.Start();
    ASSERT_TRUE(viewer);
    // The reckoner tells the user (it did not crash), and the viewer opens no window.
    std::optional<platform::TopLevelWindow> box;
    ASSERT_TRUE(WaitFor([&] {
      box = platform::FindTopLevelWindow(Common::kProductName);
      return box.has_value() || viewer->HasEnded();
    }, 20000));
    ASSERT_TRUE(box) << "no message box; the viewer ended with " << viewer->ExitCode();
    EXPECT_NE(box->processId, viewer->ProcessId());
    ASSERT_TRUE(platform::RequestWindowClose(*box));
    ASSERT_TRUE(EndsWithin(*viewer, 10000));
    EXPECT_EQ(viewer->ExitCode(), kExitMinusThree);
  }
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
