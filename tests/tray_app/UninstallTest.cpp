// packaging/uninstall.sh, run through uninstall.lnk as the tray menu opens it, on an
// installation laid out in a temporary folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/tray_app/TraySandbox.h"

namespace tray_app_test {
namespace {

class UninstallTest : public corvane_test::SandboxedTest {
 protected:
  void SetUp() override {
    fs::create_directories(Prefix());
    fs::copy_file(UNINSTALL_SCRIPT, Prefix() / "uninstall.sh");
    ::chmod((Prefix() / "uninstall.sh").c_str(), 0755);
    fs::create_symlink("uninstall.sh", Prefix() / "uninstall.lnk");
    WriteFile(Prefix() / "CorvaneTray", "program");
    // Stands in for the service runner: notes what it was asked.
    WriteFile(Prefix() / "corvane-service-runner",
              "#!/bin/sh\necho \"$*\" >> \"" + (Root() / "runner.txt").string() + "\"\n");
    ::chmod((Prefix() / "corvane-service-runner").c_str(), 0755);
    for (const char* file : {"units/corvan-service.service", "applications/corvane-viewer.desktop",
                             "autostart/corvane-tray.desktop", "applications/other.desktop"}) {
      WriteFile(Root() / file, "x");
    }
    sandbox.WriteData("summarydata.xml", "x");
  }

  const fs::path& Root() const { return sandbox.Root(); }
  const fs::path& Prefix() const { return sandbox.InstallFolder(); }

  int Run() {
    const std::string root = Root().string();
    std::string command = "CORVANE_SYSTEMD_DIR='" + root + "/units' CORVANE_APPLICATIONS_DIR='" + root +
                          "/applications' CORVANE_AUTOSTART_DIR='" + root + "/autostart' CORVANE_UNINSTALL_AS_USER=1 '" +
                          (Prefix() / "uninstall.lnk").string() + "' >/dev/null 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(UninstallTest, StopsTheServiceAndRemovesTheInstallationButNotTheData) {
  WriteFile(Prefix() / "config.ini", "[Config]\r\n");
  ASSERT_EQ(Run(), 0);
  EXPECT_EQ(ReadFile(Root() / "runner.txt"), "stop corvan-service\n");
  EXPECT_FALSE(fs::exists(Prefix()));
  EXPECT_FALSE(fs::exists(Root() / "units/corvan-service.service"));
  EXPECT_FALSE(fs::exists(Root() / "applications/corvane-viewer.desktop"));
  EXPECT_FALSE(fs::exists(Root() / "autostart/corvane-tray.desktop"));
  EXPECT_TRUE(fs::exists(Root() / "applications/other.desktop"));
  EXPECT_TRUE(fs::exists(sandbox.DataFolder() / "summarydata.xml"));
}

TEST_F(UninstallTest, AFolderThatIsNoInstallationIsLeftAlone) {
  ASSERT_EQ(Run(), 1);  // no config.ini beside the script
  EXPECT_TRUE(fs::exists(Prefix() / "CorvaneTray"));
  EXPECT_TRUE(fs::exists(Root() / "autostart/corvane-tray.desktop"));
  EXPECT_FALSE(fs::exists(Root() / "runner.txt"));
}

}  // namespace
}  // namespace tray_app_test
