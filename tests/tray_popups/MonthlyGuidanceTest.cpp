// The monthly guidance rule over real userinfo.xml files and the real popup, answered
// from inside its modal loop, with the clock pinned.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/ui/windows/MessageLoop.h"
#include "resources/tray/TrayResources.h"
#include "tests/tray_popups/PopupSandbox.h"
#include "tray/MonthlyGuidance.h"
#include "tray/UserInfoFile.h"

namespace {

using namespace tray_popups_test;
using Velunor::Quillon::Resident::CMonthlyGuidance;
using Velunor::Quillon::Resident::CUserInfoFile;
using Velunor::Quillon::Resident::GetTrayResources;

struct When {
  int year, month, day, hour, minute;
};

struct Record {
  bool present = false;
  When date{};
  int count = 0;
  int show = 0;
};

class MonthlyGuidance : public ::testing::Test {
 protected:
  void SetUp() override { StartToolkit(); }

  // One start of the tray program at the time: true when a popup opened, answered so.
  bool StartAt(const When& when, Answer answer, platform::ModuleHandle instance = GetTrayResources()) {
    sandbox.PinClock(when.year, when.month, when.day, when.hour, when.minute);
    int before = owner.PopupsSeen();
    owner.AnswerNext(answer, [this](platform::UiWindow) { recordWhileOpen = ReadRecord(); });
    CMonthlyGuidance guidance(
        instance, owner.Handle(),
        [this](platform::DateTime& date) {
          if (!installDate.IsValid()) return 0;
          date = installDate;
          return 1;
        },
        [this](int previousMonth) { graphStarts.push_back(previousMonth); });
    guidance.CheckNotification();
    owner.Settle();
    return owner.PopupsSeen() > before;
  }

  Record ReadRecord() const {
    Record record;
    platform::DateTime date;
    CUserInfoFile file(platform::Utf8ToWide(sandbox.UserInfoFile().string()));
    record.present = file.GetNotificationDate(date, record.count, record.show) == 1;
    if (record.present) record.date = When{date.GetYear(), date.GetMonth(), date.GetDay(), date.GetHour(), date.GetMinute()};
    return record;
  }

  void ExpectRecord(const When& date, int count, int show) const {
    Record record = ReadRecord();
    ASSERT_TRUE(record.present);
    EXPECT_EQ(record.date.year, date.year);
    EXPECT_EQ(record.date.month, date.month);
    EXPECT_EQ(record.date.day, date.day);
    EXPECT_EQ(record.date.hour, date.hour);
    EXPECT_EQ(record.date.minute, date.minute);
    EXPECT_EQ(record.count, count);
    EXPECT_EQ(record.show, show);
  }

  Sandbox sandbox;
  PopupOwner owner;
  platform::DateTime installDate{2024, 3, 10};
  std::vector<int> graphStarts;
  Record recordWhileOpen;
};

TEST_F(MonthlyGuidance, NothingInTheInstallationMonthBeforeItOrWithoutAnInstallDate) {
  EXPECT_FALSE(StartAt({2024, 3, 31, 23, 59}, Answer::Close));
  EXPECT_FALSE(StartAt({2024, 2, 15, 10, 0}, Answer::Close)) << "clock before the installation month";
  EXPECT_FALSE(StartAt({2023, 12, 15, 10, 0}, Answer::Close));
  installDate = platform::DateTime();
  EXPECT_FALSE(StartAt({2024, 5, 1, 10, 0}, Answer::Close));
  EXPECT_FALSE(boost::filesystem::exists(sandbox.UserInfoFile()));
  EXPECT_TRUE(graphStarts.empty());
}

TEST_F(MonthlyGuidance, ShowButtonStartsThePreviousMonthAndEndsTheMonthsPopups) {
  ASSERT_TRUE(StartAt({2024, 4, 1, 10, 0}, Answer::Show));
  // Recorded before it opened, so an unanswered popup still counts.
  EXPECT_TRUE(recordWhileOpen.present);
  EXPECT_EQ(recordWhileOpen.count, 1);
  EXPECT_EQ(recordWhileOpen.show, 0);
  ExpectRecord({2024, 4, 1, 10, 0}, 1, 1);
  EXPECT_EQ(graphStarts, std::vector<int>{1});

  EXPECT_FALSE(StartAt({2024, 4, 2, 10, 0}, Answer::Close));
  EXPECT_FALSE(StartAt({2024, 4, 30, 23, 0}, Answer::Close));
  ExpectRecord({2024, 4, 1, 10, 0}, 1, 1);
  EXPECT_EQ(graphStarts, std::vector<int>{1});
}

TEST_F(MonthlyGuidance, AfterCloseOnceMoreTwentyFourHoursLaterThenNotUntilTheNextMonth) {
  struct Step {
    When when;
    Answer answer;
    bool popup;
    When recordDate;
    int count;
    int show;
  } steps[] = {
      {{2024, 4, 1, 10, 0}, Answer::Close, true, {2024, 4, 1, 10, 0}, 1, 0},
      {{2024, 4, 2, 9, 59}, Answer::Close, false, {2024, 4, 1, 10, 0}, 1, 0},   // 23 h 59 min
      {{2024, 4, 2, 10, 0}, Answer::CloseBox, true, {2024, 4, 2, 10, 0}, 2, 0},  // 24 h exactly
      {{2024, 4, 9, 10, 0}, Answer::Close, false, {2024, 4, 2, 10, 0}, 2, 0},
      // A new month shows it again, whatever the last month's count and answer.
      {{2024, 5, 1, 0, 5}, Answer::Close, true, {2024, 5, 1, 0, 5}, 1, 0},
      {{2024, 5, 2, 0, 5}, Answer::Show, true, {2024, 5, 2, 0, 5}, 2, 1},
      {{2024, 5, 20, 0, 5}, Answer::Close, false, {2024, 5, 2, 0, 5}, 2, 1},
      {{2025, 5, 1, 12, 0}, Answer::Close, true, {2025, 5, 1, 12, 0}, 1, 0},  // a year on, same month number
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << step.when.year << "-" << step.when.month << "-" << step.when.day << " "
                                    << step.when.hour << ":" << step.when.minute);
    EXPECT_EQ(StartAt(step.when, step.answer), step.popup);
    ExpectRecord(step.recordDate, step.count, step.show);
  }
  EXPECT_EQ(graphStarts, std::vector<int>{1});
}

TEST_F(MonthlyGuidance, UnreadableRecordCountsAsNone) {
  WriteFile(sandbox.UserInfoFile(), "<user_info><notification><date>2024041");
  EXPECT_TRUE(StartAt({2024, 4, 20, 8, 30}, Answer::Close));
  ExpectRecord({2024, 4, 20, 8, 30}, 1, 0);
}

TEST_F(MonthlyGuidance, PopupThatCannotBeMadeCountsAsClosed) {
  platform::ResourceModule empty;
  EXPECT_FALSE(StartAt({2024, 4, 1, 10, 0}, Answer::Show, &empty));
  ExpectRecord({2024, 4, 1, 10, 0}, 1, 0);
  EXPECT_TRUE(graphStarts.empty());
  // The next try comes 24 hours later, as after a close.
  EXPECT_TRUE(StartAt({2024, 4, 2, 10, 0}, Answer::Close));
  ExpectRecord({2024, 4, 2, 10, 0}, 2, 0);
}

TEST(MonthlyGuidanceSpans, MonthsAndWholeHours) {
  using platform::DateTime;
  EXPECT_EQ(CMonthlyGuidance::MonthsBetween(DateTime(2023, 12, 31), DateTime(2024, 1, 1)), 1);
  EXPECT_EQ(CMonthlyGuidance::MonthsBetween(DateTime(2024, 1, 1), DateTime(2024, 1, 31)), 0);
  EXPECT_EQ(CMonthlyGuidance::MonthsBetween(DateTime(2024, 3, 1), DateTime(2024, 1, 1)), -2);
  EXPECT_EQ(CMonthlyGuidance::WholeHoursBetween(DateTime(2024, 1, 1, 10, 0, 0), DateTime(2024, 1, 2, 9, 59, 59)), 23);
  EXPECT_EQ(CMonthlyGuidance::WholeHoursBetween(DateTime(2024, 1, 1, 10, 0, 0), DateTime(2024, 1, 2, 10, 0, 0)), 24);
  // Backwards spans cut toward zero as well.
  EXPECT_EQ(CMonthlyGuidance::WholeHoursBetween(DateTime(2024, 1, 2, 10, 0, 0), DateTime(2024, 1, 1, 10, 30, 0)), -23);
}

}  // namespace
