#pragma once
// The update check of the task window, for administrators only: the newest version the
// product site publishes (asked at most once per VersionCheckIntervalDays and kept for
// every user in sysinfo.xml), compared with the installed one; while the installed
// version is older, the update popup once per calendar day (userinfo.xml keeps the day,
// the version and a count of reminder days); its link opens the download page.
//
// The task window runs it from its start-up:
//   CUpdateCheck(m_hInstance, Handle()).CheckUpdate();
#include "platform/core/DateTime.h"
#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/UiWindow.h"
#include "tray/VersionNumber.h"

namespace Velunor::Quillon::Resident {

class CUpdateCheck {
 public:
  // The bits of GetUserGroup's flags (also CTaskWindow::GetUserGroup's).
  static constexpr int kAdministrators = 1;
  static constexpr int kPowerUsers = 2;
  static constexpr int kUsers = 4;

  CUpdateCheck(platform::ModuleHandle instance, platform::UiWindow owner);

  // The groups of this process's user as flags: 1 when they could be read, else 0 with
  // flags 0. One DEBUG line per group.
  static int GetUserGroup(int& flags);
  void CheckUpdate();
  // 1 with the version the site serves, else 0 with the value untouched.
  static int GetLatestVersion(CVersionNumber& version);
  // Runs the update popup over the owner; after its link opens the download page and
  // returns 1, otherwise returns 0.
  int ShowUpdateWnd();
  static void OpenDownloadPage();

  // Whole days from earlier to later, rounded to the nearest second first.
  static long long WholeDaysBetween(const platform::DateTime& earlier, const platform::DateTime& later);

 private:
  platform::ModuleHandle m_hInstance;
  platform::UiWindow m_owner;
};

}  // namespace Velunor::Quillon::Resident
