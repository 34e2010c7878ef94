#pragma once
// The monthly guidance of the task window: decides from the installation date and the
// user's notification record (userinfo.xml) whether the guidance popup is due at this
// start, shows it, and records it before it opens and again with its outcome.
//
// At most two popups per calendar month: at the first start of the month, and once
// more at a start 24 hours or more after that when the show button was not pressed.
// None in the installation month.
//
// The task window runs it from its start-up:
//   CMonthlyGuidance(m_hInstance, Handle(),
//                    [this](platform::DateTime& date) { return GetInstallDate(date); },
//                    [this](int previousMonth) { ShowGraph(previousMonth); })
//       .CheckNotification();
#include <functional>

#include "platform/core/DateTime.h"
#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/UiWindow.h"

namespace Velunor::Quillon::Resident {

class CMonthlyGuidance {
 public:
  // 1 with the installation date (at 00:00), else 0.
  using InstallDateReader = std::function<int(platform::DateTime& date)>;
  // Starts the viewer; 1 asks for the month before the last measured one.
  using GraphStarter = std::function<void(int previousMonth)>;

  CMonthlyGuidance(platform::ModuleHandle instance, platform::UiWindow owner, InstallDateReader getInstallDate,
                   GraphStarter showGraph);

  // Runs the guidance popup over the owner; after its show button starts the viewer on
  // the previous month and returns 1, otherwise returns 0.
  int ShowNotificationWnd();
  // The monthly rule; reads the clock once.
  void CheckNotification();

  // Calendar months from one date's month to the other's (negative when later is earlier).
  static int MonthsBetween(const platform::DateTime& earlier, const platform::DateTime& later);
  // Whole hours from earlier to later, rounded to the nearest second first.
  static long long WholeHoursBetween(const platform::DateTime& earlier, const platform::DateTime& later);

 private:
  platform::ModuleHandle m_hInstance;
  platform::UiWindow m_owner;
  InstallDateReader m_getInstallDate;
  GraphStarter m_showGraph;
};

}  // namespace Velunor::Quillon::Resident
