// The month model: day existence, axis scale, bar heights, measured range, projection and
// month navigation, each as a table of cases.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "viewer/MonthUsage.h"

namespace Velunor::Quillon::Ui {
namespace {

using platform::DateTime;

constexpr std::uint64_t kMiB = 1048576;

TEST(DayUsageTest, DayExistsFollowsTheCalendar) {
  struct Case {
    int year, month, day, valid;
  };
  const Case cases[] = {
      {2016, 2, 29, 1}, {2000, 2, 29, 1}, {2015, 2, 29, 0}, {1900, 2, 29, 0},
      {2016, 2, 30, 0}, {2016, 2, 31, 0}, {2016, 4, 31, 0}, {2016, 6, 31, 0},
      {2016, 9, 31, 0}, {2016, 11, 31, 0}, {2016, 4, 30, 1}, {2016, 12, 31, 1},
      {2016, 1, 31, 1}, {2016, 0, 1, 0},  {2016, 13, 1, 0},
  };
  for (const Case& c : cases) {
    CDayUsage day;
    day.Set(c.year, c.month, c.day, 1, 2, 3);
    EXPECT_EQ(day.IsValid(), c.valid) << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(day.GetTotal(), 6u);
  }
}

TEST(MonthUsageTest, InvalidSlotsAreIgnoredByTotalsAndRange) {
  struct Case {
    int year, month, validDays;
  };
  const Case cases[] = {{2016, 2, 29}, {2015, 2, 28}, {2000, 2, 29}, {1900, 2, 28},
                        {2016, 4, 30}, {2016, 6, 30}, {2016, 9, 30}, {2016, 11, 30},
                        {2016, 1, 31}, {2016, 12, 31}};
  for (const Case& c : cases) {
    CMonthUsage month;
    // Installed long before, measured long after: every existing day is measured.
    month.Init(DateTime(c.year, c.month, 1), DateTime(1800, 1, 1), DateTime(2030, 1, 1));
    for (int day = 1; day <= 31; ++day) {
      month.SetDay(day, static_cast<std::uint64_t>(day), 0, 0);
    }
    month.SetDay(0, 1000, 0, 0);   // ignored
    month.SetDay(32, 1000, 0, 0);  // ignored
    int first = -1, last = -1;
    month.GetMeasuredRange(first, last);
    const std::uint64_t expectedTotal =
        static_cast<std::uint64_t>(c.validDays) * (c.validDays + 1) / 2;
    EXPECT_EQ(month.GetMonthTotal(), expectedTotal) << c.year << "-" << c.month;
    EXPECT_EQ(month.GetDayMax(), static_cast<std::uint64_t>(c.validDays));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, c.validDays) << c.year << "-" << c.month;
  }
}

TEST(MonthUsageTest, AxisBoundsAreInclusive) {
  struct Case {
    std::uint64_t dayMax;
    int axis;
  };
  const Case cases[] = {
      {0, 50},
      {52428800, 50},
      {52428801, 100},
      {104857600, 100},
      {104857601, 500},
      {524288000, 500},
      {524288001, 1000},
      {1048576000, 1000},
      {1048576001, 1500},
      {std::numeric_limits<std::uint64_t>::max(), 1500},
  };
  for (const Case& c : cases) {
    CMonthUsage month;
    month.Init(DateTime(2016, 3, 1), DateTime(2016, 1, 1), DateTime(2016, 4, 1));
    // The largest day is split over the three counters, which add up.
    month.SetDay(7, c.dayMax / 2, c.dayMax - c.dayMax / 2 - c.dayMax / 4, c.dayMax / 4);
    month.SetDay(8, c.dayMax / 3, 0, 0);
    EXPECT_EQ(month.GetDayMax(), c.dayMax);
    EXPECT_EQ(month.GetAxisMax(), c.axis) << c.dayMax;
  }
}

TEST(MonthUsageTest, BarPermilleOfAMeasuredDay) {
  struct Case {
    const char* name;
    std::uint64_t largestDay;  // day 1, sets the axis
    std::uint64_t shownDay;    // day 2, the bar asked for
    std::uint32_t permille;
    int clipped;
  };
  const Case cases[] = {
      {"exactly the 50 axis", 52428800, 52428800, 1000, 0},
      {"half the 50 axis", 52428800, 26214400, 500, 0},
      {"exactly the 1500 axis", 1572864000, 1572864000, 1000, 0},
      {"one byte over the 1500 axis", 1572864001, 1572864001, 1000, 1},
      {"1500 axis set by a clipped day", 1572864001, 1572864000, 1000, 0},
      {"one byte on the 50 axis", 52428800, 1, 1, 0},
      {"one byte on the 1500 axis", 1572864001, 1, 1, 0},
      {"just under one permille rounds down then up", 1572864001, 1572863, 1, 0},
      {"two permille round down", 1572864001, 3145727 + 1572864, 2, 0},
      {"no traffic", 52428800, 0, 0, 0},
  };
  for (const Case& c : cases) {
    CMonthUsage month;
    month.Init(DateTime(2016, 3, 1), DateTime(2016, 1, 1), DateTime(2016, 4, 1));
    month.SetDay(1, c.largestDay, 0, 0);
    month.SetDay(2, 0, c.shownDay, 0);
    int inPeriod = -1, clipped = -1;
    std::uint32_t permille = 12345;
    month.GetBarPermille(2, inPeriod, permille, clipped);
    EXPECT_EQ(inPeriod, 1) << c.name;
    EXPECT_EQ(permille, c.permille) << c.name;
    EXPECT_EQ(clipped, c.clipped) << c.name;
  }
}

TEST(MonthUsageTest, NoBarOutsideTheMeasurement) {
  CMonthUsage month;
  month.Init(DateTime(2016, 3, 1), DateTime(2016, 3, 10), DateTime(2016, 3, 20, 23, 59, 0));
  for (int day = 1; day <= 31; ++day) {
    month.SetDay(day, kMiB, 0, 0);
  }
  struct Case {
    int day, inPeriod;
  };
  const Case cases[] = {{9, 0}, {10, 1}, {20, 1}, {21, 0}, {0, 0}, {32, 0}, {-1, 0}};
  for (const Case& c : cases) {
    int inPeriod = -1, clipped = -1;
    std::uint32_t permille = 12345;
    month.GetBarPermille(c.day, inPeriod, permille, clipped);
    EXPECT_EQ(inPeriod, c.inPeriod) << c.day;
    EXPECT_EQ(permille, c.inPeriod ? 20u : 0u) << c.day;
    EXPECT_EQ(clipped, 0) << c.day;
  }
  // A slot that does not exist in its month gives no bar even with bytes.
  CMonthUsage february;
  february.Init(DateTime(2015, 2, 1), DateTime(2014, 1, 1), DateTime(2016, 1, 1));
  february.SetDay(29, kMiB, 0, 0);
  int inPeriod = -1, clipped = -1;
  std::uint32_t permille = 12345;
  february.GetBarPermille(29, inPeriod, permille, clipped);
  EXPECT_EQ(inPeriod, 0);
  EXPECT_EQ(permille, 0u);
  EXPECT_EQ(february.GetMonthTotal(), 0u);
}

TEST(MonthUsageTest, DateComparisons) {
  const DateTime reference(2016, 3, 10);
  struct Case {
    int year, month, day, before, after;
  };
  const Case cases[] = {
      {2015, 12, 31, 1, 0}, {2016, 2, 28, 1, 0}, {2016, 3, 9, 1, 0},  {2016, 3, 10, 0, 0},
      {2016, 3, 11, 0, 1},  {2016, 4, 1, 0, 1},  {2017, 1, 1, 0, 1},  {2016, 3, 0, 0, 0},
      {2016, 2, 0, 1, 0},   {2016, 4, 0, 0, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CMonthUsage::IsDayBefore(reference, c.year, c.month, c.day), c.before)
        << c.year << "-" << c.month << "-" << c.day;
    EXPECT_EQ(CMonthUsage::IsDayAfter(reference, c.year, c.month, c.day), c.after)
        << c.year << "-" << c.month << "-" << c.day;
  }
}

TEST(MonthUsageTest, MeasuredRangeCompletenessAndProjection) {
  struct Case {
    const char* name;
    DateTime month, install, lastData;
    int bytesFrom, bytesTo;  // days that hold bytesPerDay
    std::uint64_t bytesPerDay;
    int first, last, complete;
    std::uint64_t projection;
  };
  const Case cases[] = {
      {"installed on the 10th, measured to the 20th", DateTime(2016, 3, 1), DateTime(2016, 3, 10),
       DateTime(2016, 3, 20, 12, 0, 0), 10, 20, 100, 10, 20, 0, 2000},
      {"21 of 31 days measured", DateTime(2016, 3, 1), DateTime(2016, 3, 1),
       DateTime(2016, 3, 21, 8, 0, 0), 1, 1, 1000, 1, 21, 0, 476},
      {"bytes outside the measurement still count in the sum", DateTime(2016, 3, 1),
       DateTime(2016, 3, 10), DateTime(2016, 3, 20), 1, 31, 10, 10, 20, 0, 563},
      {"February of a common year has 28 days", DateTime(2015, 2, 1), DateTime(2015, 2, 10),
       DateTime(2015, 2, 20), 10, 20, 100, 10, 20, 0, 1700},
      {"every day measured in the last data month", DateTime(2016, 3, 1), DateTime(2016, 2, 1),
       DateTime(2016, 3, 31, 23, 50, 0), 1, 31, 100, 1, 31, 0, 0},
      {"complete month between install and last data", DateTime(2016, 3, 1),
       DateTime(2015, 6, 1), DateTime(2016, 4, 5), 1, 31, 100, 1, 31, 1, 0},
      {"month before the install month", DateTime(2016, 2, 1), DateTime(2016, 3, 10),
       DateTime(2016, 3, 20), 1, 29, 100, 0, 0, 1, 0},
      {"month after the last data month", DateTime(2016, 4, 1), DateTime(2016, 3, 10),
       DateTime(2016, 3, 20), 1, 30, 100, 0, 0, 1, 0},
      {"install month measured from its first day", DateTime(2016, 3, 1),
       DateTime(2016, 3, 1), DateTime(2016, 4, 2), 1, 31, 100, 1, 31, 0, 0},
      {"nothing measured in the month", DateTime(2016, 3, 1), DateTime(2016, 3, 25),
       DateTime(2016, 3, 20), 1, 31, 100, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    CMonthUsage month;
    month.Init(c.month, c.install, c.lastData);
    for (int day = c.bytesFrom; day <= c.bytesTo; ++day) {
      month.SetDay(day, c.bytesPerDay, 0, 0);
    }
    int first = -1, last = -1;
    month.GetMeasuredRange(first, last);
    EXPECT_EQ(first, c.first) << c.name;
    EXPECT_EQ(last, c.last) << c.name;
    EXPECT_EQ(month.IsCompleteMonth(), c.complete) << c.name;
    EXPECT_EQ(month.GetProjectedRest(), c.projection) << c.name;
  }
}

TEST(MonthUsageTest, NewModelMeasuresNothing) {
  CMonthUsage month;
  month.SetDay(5, 1000, 1000, 1000);
  int first = -1, last = -1;
  month.GetMeasuredRange(first, last);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 0);
  EXPECT_EQ(month.GetProjectedRest(), 0u);
  EXPECT_EQ(month.GetMonthTotal(), 3000u);
  int inPeriod = -1, clipped = -1;
  std::uint32_t permille = 1;
  month.GetBarPermille(5, inPeriod, permille, clipped);
  EXPECT_EQ(inPeriod, 0);
  EXPECT_EQ(permille, 0u);
}

TEST(MonthUsageTest, NeighboursAndNavigation) {
  struct Case {
    const char* name;
    DateTime install, lastData, shown;
    DateTime previous, next;
    int hasPrev, hasNext;
  };
  const DateTime install2014(2014, 5, 20), lastMarch2016(2016, 3, 18, 9, 30, 0);
  const DateTime installOctober(2015, 10, 15);
  const Case cases[] = {
      {"April 2015 can go back", install2014, lastMarch2016, DateTime(2015, 4, 1),
       DateTime(2015, 3, 1), DateTime(2015, 5, 1), 1, 1},
      {"March 2015 is the earliest", install2014, lastMarch2016, DateTime(2015, 3, 1),
       DateTime(2015, 2, 1), DateTime(2015, 4, 1), 0, 1},
      {"February 2016 can go forward", install2014, lastMarch2016, DateTime(2016, 2, 1),
       DateTime(2016, 1, 1), DateTime(2016, 3, 1), 1, 1},
      {"March 2016 is the last", install2014, lastMarch2016, DateTime(2016, 3, 1),
       DateTime(2016, 2, 1), DateTime(2016, 4, 1), 1, 0},
      {"install month cannot go back", installOctober, lastMarch2016, DateTime(2015, 10, 1),
       DateTime(2015, 9, 1), DateTime(2015, 11, 1), 0, 1},
      {"month after install can go back", installOctober, lastMarch2016, DateTime(2015, 11, 1),
       DateTime(2015, 10, 1), DateTime(2015, 12, 1), 1, 1},
      {"January's previous is December before", install2014, lastMarch2016, DateTime(2016, 1, 20),
       DateTime(2015, 12, 1), DateTime(2016, 2, 1), 1, 1},
      {"December's next is January after", install2014, lastMarch2016, DateTime(2015, 12, 31),
       DateTime(2015, 11, 1), DateTime(2016, 1, 1), 1, 1},
  };
  for (const Case& c : cases) {
    CMonthUsage month;
    month.Init(c.shown, c.install, c.lastData);
    EXPECT_EQ(month.GetMonth(), DateTime(c.shown.GetYear(), c.shown.GetMonth(), 1)) << c.name;
    EXPECT_EQ(month.GetPrevMonth(), c.previous) << c.name;
    EXPECT_EQ(month.GetNextMonth(), c.next) << c.name;
    EXPECT_EQ(month.HasPrevMonth(), c.hasPrev) << c.name;
    EXPECT_EQ(month.HasNextMonth(), c.hasNext) << c.name;
  }
}

TEST(MonthUsageTest, ThirteenMonthsAreReachable) {
  CMonthUsage month;
  const DateTime install(2010, 1, 1), lastData(2016, 3, 18);
  month.Init(lastData, install, lastData);
  int reachable = 1;
  while (month.HasPrevMonth()) {
    month.Init(month.GetPrevMonth(), install, lastData);
    ++reachable;
    ASSERT_LT(reachable, 100);
  }
  EXPECT_EQ(reachable, 13);
  EXPECT_EQ(month.GetMonth(), DateTime(2015, 3, 1));
}

// Counts come from a file anyone can edit: sums must stop at the top, not wrap round to a
// small number that would show almost no traffic.
TEST(MonthUsageTest, HugeCountsSaturateInsteadOfWrapping) {
  const std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
  CMonthUsage month;
  month.Init(DateTime(2016, 3, 1), DateTime(2016, 3, 10), DateTime(2016, 3, 20));
  month.SetDay(10, largest, largest, 5);
  month.SetDay(11, 1ULL << 63, 0, 0);
  EXPECT_EQ(month.GetDayUsage(9).GetTotal(), largest);
  EXPECT_EQ(month.GetMonthTotal(), largest);
  EXPECT_EQ(month.GetAxisMax(), 1500);
  EXPECT_EQ(month.GetProjectedRest(), largest);

  // Just below the point where the hundredfold sum leaves 64 bits the result is exact.
  CMonthUsage large;
  large.Init(DateTime(2016, 3, 1), DateTime(2016, 3, 10), DateTime(2016, 3, 20));
  large.SetDay(10, 110000000000000000ULL, 0, 0);
  EXPECT_EQ(large.GetProjectedRest(), 200000000000000000ULL);
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
