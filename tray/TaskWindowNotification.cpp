// The task window's monthly guidance: the rule and the popup live in CMonthlyGuidance.
#include "tray/MonthlyGuidance.h"
#include "tray/TaskWindow.h"

namespace Velunor::Quillon::Resident {

namespace {

CMonthlyGuidance GuidanceOf(CTaskWindow& window) {
  return CMonthlyGuidance(
      window.GetInstance(), window.Handle(), [&window](platform::DateTime& date) { return window.GetInstallDate(date); },
      [&window](int previousMonth) { window.ShowGraph(previousMonth); });
}

}  // namespace

int CTaskWindow::ShowNotificationWnd() { return GuidanceOf(*this).ShowNotificationWnd(); }

void CTaskWindow::CheckNotification() { GuidanceOf(*this).CheckNotification(); }

}  // namespace Velunor::Quillon::Resident
