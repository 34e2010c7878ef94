// Both popups when config.ini beside this program sets no popup texts: they close at
// once with 0, and the guidance record still advances as if the user had closed it.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/ConfigSettings.h"
#include "platform/ui/windows/MessageLoop.h"
#include "resources/tray/TrayResources.h"
#include "tests/tray_popups/PopupSandbox.h"
#include "tray/MonthlyGuidance.h"
#include "tray/NotificationWnd.h"
#include "tray/UpdateCheck.h"
#include "tray/UpdateWnd.h"
#include "tray/UserInfoFile.h"

namespace {

using namespace tray_popups_test;
namespace Resident = Velunor::Quillon::Resident;

class BlankTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    StartToolkit();
    ASSERT_EQ(Velunor::Quillon::Common::GetGuidNotificationWndText(), L"");
    ASSERT_EQ(Velunor::Quillon::Common::GetUpdateNotificationWndText(), L"");
  }
  Sandbox sandbox;
  PopupOwner owner;
};

TEST_F(BlankTexts, PopupsCloseAtOnceWithZero) {
  Resident::CNotificationWnd guidance(Resident::GetTrayResources());
  owner.AnswerNext(Answer::Show);
  EXPECT_EQ(guidance.DoModal(owner.Handle()), 0);
  Resident::CUpdateCheck check(Resident::GetTrayResources(), owner.Handle());
  owner.AnswerNext(Answer::Link);
  EXPECT_EQ(check.ShowUpdateWnd(), 0);
  owner.Settle();
  EXPECT_EQ(owner.PopupsSeen(), 0);
  EXPECT_TRUE(sandbox.Opened(0).empty()) << "no download page without a press";
}

TEST_F(BlankTexts, GuidanceRecordAdvancesAsAfterAClose) {
  std::vector<int> graphStarts;
  auto start = [&](int day, int hour) {
    sandbox.PinClock(2024, 6, day, hour, 0);
    Resident::CMonthlyGuidance(
        Resident::GetTrayResources(), owner.Handle(),
        [](platform::DateTime& date) {
          date = platform::DateTime(2024, 5, 31);
          return 1;
        },
        [&](int previousMonth) { graphStarts.push_back(previousMonth); })
        .CheckNotification();
  };
  Resident::CUserInfoFile file(platform::Utf8ToWide(sandbox.UserInfoFile().string()));
  platform::DateTime date;
  int count = 0;
  int show = 0;

  start(1, 9);
  ASSERT_EQ(file.GetNotificationDate(date, count, show), 1);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(show, 0);
  start(2, 9);
  ASSERT_EQ(file.GetNotificationDate(date, count, show), 1);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(date, platform::DateTime(2024, 6, 2, 9, 0, 0));
  EXPECT_TRUE(graphStarts.empty());
}

}  // namespace
