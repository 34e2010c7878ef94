// packaging/uninstall.sh, run through uninstall.lnk as the tray menu opens it, on an
// installation laid out in a temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/tray_app/TraySandbox.h"

namespace tray_app_test {
namespace {

class UninstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(Prefix());
    fs::copy_file(UNINSTALL_SCRIPT, Prefix() / "uninstall.sh");
    ::chmod((Prefix() / "uninstall.sh").c_str(), 0755);
    fs::create_symlink("uninstall.sh", Prefix() / "uninstall.lnk");
    WriteFile(Prefix() / "CorvaneTray", "program");
    // Stands in for the service runner: notes what it was asked.
    WriteFile(Prefix() / "corvane-service-runner",
              "#!/bin/sh\necho \"$*\" >> \"" + (folder_.path() / "runner.txt").string() + "\"\n");
    ::chmod((Prefix() / "corvane-service-runner").c_str(), 0755);
    for (const char* file : {"units/corvan-service.service", "applications/corvane-viewer.desktop",
                             "autostart/corvane-tray.desktop", "applications/other.desktop",
                             "var/lib/Hoxa/Zembrolite/summarydata.xml"}) {
      WriteFile(folder_.path() / file, "x");
    }
  }

  fs::path Prefix() const { return folder_.path() / "opt/Hoxa/Zembrolite"; }

  int Run() {
    std::string command = "CORVANE_ROOT='" + folder_.str() + "' CORVANE_SYSTEMD_DIR='" + folder_.str() +
                          "/units' CORVANE_APPLICATIONS_DIR='" + folder_.str() + "/applications' CORVANE_AUTOSTART_DIR='" +
                          folder_.str() + "/autostart' CORVANE_UNINSTALL_AS_USER=1 '" + (Prefix() / "uninstall.lnk").string() +
                          "' >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  TempFolder folder_;
};

TEST_F(UninstallTest, StopsTheServiceAndRemovesTheInstallationButNotTheData) {
  WriteFile(Prefix() / "config.ini", "[Config]\r\n");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(ReadFile(folder_.path() / "runner.txt"), "stop corvan-service\n");
  EXPECT_FALSE(fs::exists(Prefix()));
  EXPECT_FALSE(fs::exists(folder_.path() / "units/corvan-service.service"));
  EXPECT_FALSE(fs::exists(folder_.path() / "applications/corvane-viewer.desktop"));
  EXPECT_FALSE(fs::exists(folder_.path() / "autostart/corvane-tray.desktop"));
  EXPECT_TRUE(fs::exists(folder_.path() / "applications/other.desktop"));
  EXPECT_TRUE(fs::exists(folder_.path() / "var/lib/Hoxa/Zembrolite/summarydata.xml"));
}

TEST_F(UninstallTest, AFolderThatIsNoInstallationIsLeftAlone) {
  ASSERT_EQ(Run(), 1);  // no config.ini beside the script
  EXPECT_TRUE(fs::exists(Prefix() / "CorvaneTray"));
  EXPECT_TRUE(fs::exists(folder_.path() / "autostart/corvane-tray.desktop"));
  EXPECT_FALSE(fs::exists(folder_.path() / "runner.txt"));
}

}  // namespace
}  // namespace tray_app_test
