#include "tray/UpdateCheck.h"

#include <climits>
#include <vector>

#include "common/ConfigSettings.h"
#include "common/LogMessage.h"
#include "common/PathUtil.h"
#include "platform/core/DateTime.h"
#include "platform/core/Shell.h"
#include "platform/core/UserGroups.h"
#include "tray/SysInfoFile.h"
#include "tray/UpdateWnd.h"
#include "tray/UserInfoFile.h"
#include "tray/VersionFile.h"

namespace Velunor::Quillon::Resident {

namespace {

namespace Log = Common::Log;

constexpr wchar_t kGetUserGroupFunction[] = L"Velunor::Quillon::Resident::CTaskWindow::GetUserGroup";
constexpr wchar_t kCheckUpdateFunction[] = L"Velunor::Quillon::Resident::CTaskWindow::CheckUpdate";

platform::DateTime Midnight(const platform::DateTime& date) {
  return platform::DateTime(date.GetYear(), date.GetMonth(), date.GetDay());
}

// Whether a record of the day recorded is due again today, intervalDays whole days on.
// A record dated after today (the clock was once set ahead) is due, not a reason to wait
// until that date.
bool IsDue(const platform::DateTime& recorded, const platform::DateTime& today, long long intervalDays) {
  return recorded > today || CUpdateCheck::WholeDaysBetween(recorded, today) >= intervalDays;
}

}  // namespace

CUpdateCheck::CUpdateCheck(platform::ModuleHandle instance, platform::UiWindow owner)
    : m_hInstance(instance), m_owner(owner) {}

long long CUpdateCheck::WholeDaysBetween(const platform::DateTime& earlier, const platform::DateTime& later) {
  return (later.SerialSeconds() - earlier.SerialSeconds()) / 86400;
}

int CUpdateCheck::GetUserGroup(int& flags) {
  flags = 0;
  std::vector<platform::ProcessGroup> groups;
  if (!platform::GetProcessGroups(groups)) {
    Log::WriteLog(kGetUserGroupFunction, __LINE__, L"GetTokenInformation GetInfo is failed", Log::kDebug);
    return 0;
  }
  // Every group the process has counts, whatever it is used for.
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const platform::ProcessGroup& group = groups[i];
    std::wstring kind;
    if (platform::IsWellKnownGroup(group, platform::WellKnownGroup::Administrators)) {
      flags |= kAdministrators;
      kind = L" is Admin";
    } else if (platform::IsWellKnownGroup(group, platform::WellKnownGroup::PowerUsers)) {
      flags |= kPowerUsers;
      kind = L" is PowerUser";
    } else if (platform::IsWellKnownGroup(group, platform::WellKnownGroup::Users)) {
      flags |= kUsers;
      kind = L" is User";
    }
    Log::WriteLog(kGetUserGroupFunction, __LINE__,
                  L"Groups[" + std::to_wstring(static_cast<unsigned int>(i)) + L"] [" + group.Text() + L"]" + kind,
                  Log::kDebug);
  }
  return 1;
}

void CUpdateCheck::CheckUpdate() {
  int flags = 0;
  if (GetUserGroup(flags) != 1) {
    Log::WriteLog(kCheckUpdateFunction, __LINE__, L"CheckUpdate Cancel! GetUserGroup failed", Log::kDebug);
    return;
  }
  if ((flags & kAdministrators) == 0) {
    Log::WriteLog(kCheckUpdateFunction, __LINE__, L"CheckUpdate Cancel! User is not Administrator", Log::kDebug);
    return;
  }
  const platform::DateTime today = Midnight(platform::DateTime::Now());

  CSysInfoFile sysInfo(Common::GetSysInfoFilePath());
  CVersionNumber installed;
  if (sysInfo.GetVersion(installed) != 1) return;

  // The site is asked at most once per interval; its answer serves every user meanwhile.
  platform::DateTime checkDate;
  CVersionNumber latest;
  const bool checkedBefore = sysInfo.GetUpdateCheck(checkDate, latest) == 1;
  if (!checkedBefore || IsDue(checkDate, today, Common::GetVersionCheckIntervalDays())) {
    // A failed download leaves the record alone, so the next start asks again.
    if (GetLatestVersion(latest) != 1) return;
    sysInfo.SetUpdateCheck(today, latest);
  }
  if (installed >= latest) return;

  // One reminder per calendar day; a different latest version starts the count again.
  CUserInfoFile userInfo(Common::GetUserInfoFilePath());
  platform::DateTime shownDate;
  CVersionNumber shownVersion;
  int count = 0;
  if (userInfo.GetUpdateDate(shownDate, shownVersion, count) != 1) {
    userInfo.SetUpdateDate(today, latest, 1);
  } else if (latest != shownVersion) {
    userInfo.SetUpdateDate(today, latest, 1);
  } else {
    if (!IsDue(Midnight(shownDate), today, 1)) return;
    // The count comes from a file anyone may edit: it stops at the largest int.
    if (count < INT_MAX) count = count + 1;
    userInfo.SetUpdateDate(today, latest, count);
  }
  ShowUpdateWnd();
}

int CUpdateCheck::GetLatestVersion(CVersionNumber& version) {
  CVersionFile file;
  if (file.Load() != 1) return 0;
  version = file.GetVersion();
  return 1;
}

int CUpdateCheck::ShowUpdateWnd() {
  CUpdateWnd popup(m_hInstance);
  if (popup.DoModal(m_owner) != 1) return 0;
  OpenDownloadPage();
  return 1;
}

void CUpdateCheck::OpenDownloadPage() { platform::ShellOpen(Common::GetDownloadUrl()); }

}  // namespace Velunor::Quillon::Resident
