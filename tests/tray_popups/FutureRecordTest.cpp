// Records dated later than now (the clock was once set ahead): the guidance counts as
// not shown and the update reminder as due, and each record is written anew with the
// date of this start. Real userinfo.xml and sysinfo.xml files and the real popups.
#include <gtest/gtest.h>

#include "resources/tray/TrayResources.h"
#include "tests/tray_data/TrayDataSupport.h"
#include "tests/tray_popups/PopupSandbox.h"
#include "tray/MonthlyGuidance.h"
#include "tray/UpdateCheck.h"
#include "tray/UserInfoFile.h"

namespace {

using namespace tray_popups_test;
namespace Resident = Velunor::Quillon::Resident;

TEST(FutureRecord, GuidanceCountsAsNotShownAndTheReminderAsDue) {
  StartToolkit();
  enum class Check { Guidance, Update };
  struct Case {
    const char* name;
    Check check;
    platform::DateTime recorded;
    bool popup;
  };
  // This start: 2024-05-20 09:30. Installed 2024-01-10; versions 1.0.0 installed, 1.0.4
  // out (checked today, so the site is not asked).
  const Case cases[] = {
      {"guidance a day ahead", Check::Guidance, platform::DateTime(2024, 5, 21, 8, 0, 0), true},
      {"guidance months ahead", Check::Guidance, platform::DateTime(2024, 9, 1, 0, 0, 0), true},
      {"guidance years ahead", Check::Guidance, platform::DateTime(2031, 1, 1, 0, 0, 0), true},
      {"guidance an hour ago", Check::Guidance, platform::DateTime(2024, 5, 20, 8, 30, 0), false},
      {"reminder a day ahead", Check::Update, platform::DateTime(2024, 5, 21), true},
      {"reminder years ahead", Check::Update, platform::DateTime(2030, 2, 1), true},
      {"reminder today", Check::Update, platform::DateTime(2024, 5, 20), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Sandbox sandbox;
    PopupOwner owner;
    WriteFile(sandbox.SysInfoFile(), "<system_info><version>1.0.0</version><update_chk><date>20240520</date>"
                                     "<version>1.0.4</version></update_chk></system_info>");
    Resident::CUserInfoFile userInfo(platform::Utf8ToWide(sandbox.UserInfoFile().string()));
    if (c.check == Check::Guidance) {
      userInfo.SetNotificationDate(c.recorded, 1, 0);
    } else {
      userInfo.SetUpdateDate(c.recorded, tray_data_test::Version(L"1.0.4"), 3);
    }
    sandbox.PinClock(2024, 5, 20, 9, 30);
    owner.AnswerNext(Answer::CloseBox);
    if (c.check == Check::Guidance) {
      Resident::CMonthlyGuidance(
          Resident::GetTrayResources(), owner.Handle(),
          [](platform::DateTime& date) {
            date = platform::DateTime(2024, 1, 10);
            return 1;
          },
          nullptr)
          .CheckNotification();
    } else {
      Resident::CUpdateCheck(Resident::GetTrayResources(), owner.Handle()).CheckUpdate();
    }
    owner.Settle();
    EXPECT_EQ(owner.PopupsSeen(), c.popup ? 1 : 0);

    platform::DateTime date;
    int count = 0;
    if (c.check == Check::Guidance) {
      int show = 0;
      ASSERT_EQ(userInfo.GetNotificationDate(date, count, show), 1);
      EXPECT_EQ(count, 1);
      EXPECT_EQ(date, c.popup ? platform::DateTime(2024, 5, 20, 9, 30, 0) : c.recorded);
    } else {
      Resident::CVersionNumber version;
      ASSERT_EQ(userInfo.GetUpdateDate(date, version, count), 1);
      EXPECT_EQ(count, c.popup ? 4 : 3);
      EXPECT_EQ(date, c.popup ? platform::DateTime(2024, 5, 20) : c.recorded);
    }
  }
}

}  // namespace
