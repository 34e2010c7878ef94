#include "tray/MonthlyGuidance.h"

#include <utility>

#include "common/PathUtil.h"
#include "tray/NotificationWnd.h"
#include "tray/UserInfoFile.h"

namespace Velunor::Quillon::Resident {

CMonthlyGuidance::CMonthlyGuidance(platform::ModuleHandle instance, platform::UiWindow owner,
                                   InstallDateReader getInstallDate, GraphStarter showGraph)
    : m_hInstance(instance),
      m_owner(owner),
      m_getInstallDate(std::move(getInstallDate)),
      m_showGraph(std::move(showGraph)) {}

int CMonthlyGuidance::MonthsBetween(const platform::DateTime& earlier, const platform::DateTime& later) {
  return (later.GetYear() - earlier.GetYear()) * 12 + (later.GetMonth() - earlier.GetMonth());
}

long long CMonthlyGuidance::WholeHoursBetween(const platform::DateTime& earlier, const platform::DateTime& later) {
  // Both hold whole seconds, so the rounding to the nearest second is already done;
  // integer division cuts toward zero for negative spans too.
  return (later.SerialSeconds() - earlier.SerialSeconds()) / 3600;
}

int CMonthlyGuidance::ShowNotificationWnd() {
  CNotificationWnd popup(m_hInstance);
  if (popup.DoModal(m_owner) != 1) return 0;
  if (m_showGraph) m_showGraph(1);
  return 1;
}

void CMonthlyGuidance::CheckNotification() {
  platform::DateTime installDate;
  if (!m_getInstallDate || m_getInstallDate(installDate) != 1) return;
  const platform::DateTime now = platform::DateTime::Now();
  // No guidance in the installation month, nor while the clock is before it.
  if (MonthsBetween(installDate, now) <= 0) return;

  CUserInfoFile userInfo(Common::GetUserInfoFilePath());
  platform::DateTime last;
  int count = 0;
  int show = 0;
  const bool hasRecord = userInfo.GetNotificationDate(last, count, show) == 1;

  // Each popup is recorded before it opens, so one that is never answered still counts.
  // A record dated after now (the clock was once set ahead) would hold the guidance
  // back until that date: it counts as no popup shown and is written anew.
  if (!hasRecord || last > now || MonthsBetween(last, now) > 0) {
    userInfo.SetNotificationDate(now, 1, 0);
    const int shown = ShowNotificationWnd();
    userInfo.SetNotificationDate(now, 1, shown);
  } else if (show != 1 && count <= 1 && WholeHoursBetween(last, now) >= 24) {
    count = count + 1;
    userInfo.SetNotificationDate(now, count, 0);
    const int shown = ShowNotificationWnd();
    userInfo.SetNotificationDate(now, count, shown);
  }
}

}  // namespace Velunor::Quillon::Resident
