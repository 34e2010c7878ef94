// The summary reader on real files in a sandboxed data folder: what each rule keeps and
// drops, the install-date checks, the load moment, and hostile files.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/DebugOutputCapture.h"
#include "tests/viewer_models/ModelSandbox.h"
#include "viewer/MonthUsage.h"
#include "viewer/SummaryData.h"

namespace Velunor::Quillon::Ui {
namespace {

using platform::DateTime;

const char kSummaryFile[] = "summarydata.xml";

std::string UnitXml(const std::string& datetime, const std::string& sent) {
  return "<unit><datetime>" + datetime + "</datetime><send_size>" + sent +
         "</send_size><recv_size>0</recv_size><unknown_size>0</unknown_size></unit>";
}

class SummaryDataTest : public ModelSandbox {
 protected:
  // The sent bytes of a kept unit, or -1 when the path year/month/day holds none.
  static long long SentOf(const CSummaryData& data, int year, int month, int day) {
    const CSummaryYear* y = data.FindYear(year);
    const CSummaryMonth* m = y != nullptr ? y->FindMonth(month) : nullptr;
    const CSummaryUnit* u = m != nullptr ? m->FindDay(day) : nullptr;
    return u != nullptr ? static_cast<long long>(u->GetSent()) : -1;
  }
};

TEST_F(SummaryDataTest, ReadsTheFileTheCollectorWrites) {
  CopyFixture("summary_written.xml", kSummaryFile);
  CSummaryData data;
  data.Load();
  ASSERT_EQ(data.IsLoaded(), 1);
  EXPECT_EQ(data.GetInstallDate(), DateTime(2016, 3, 1));

  CMonthUsage month;
  data.FillMonthUsage(month, DateTime(2016, 3, 1));
  EXPECT_EQ(month.GetMonth(), DateTime(2016, 3, 1));
  EXPECT_EQ(month.GetDayUsage(0).GetTotal(), 1048576u + 52428800u);
  EXPECT_EQ(month.GetDayUsage(15).GetSent(), 734003u);
  EXPECT_EQ(month.GetDayUsage(15).GetReceived(), 9437184u);
  EXPECT_EQ(month.GetDayUsage(15).GetUnknown(), 1514u);
  EXPECT_EQ(month.GetMonthTotal(), 1048576u + 52428800u + 734003u + 9437184u + 1514u);
  int first = 0, last = 0;
  month.GetMeasuredRange(first, last);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(last, 20);  // the clock's day: the load moment bounds the measurement
}

TEST_F(SummaryDataTest, YearRules) {
  CopyFixture("summary_years.xml", kSummaryFile);
  CSummaryData data;
  data.Load();
  ASSERT_EQ(data.IsLoaded(), 1);
  struct Case {
    const char* name;
    int year, month;
    long long sent;
  };
  const Case cases[] = {
      {"first year element", 2016, 3, 2},
      {"foreign element before the first year is not read", 2014, 1, -1},
      {"two-character year dropped", 16, 5, -1},
      {"0999 kept as 999", 999, 7, 4},
      {"foreign element after the first year is read as a year", 2015, 5, 5},
      {"second 2016 dropped whole", 2016, 4, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SentOf(data, c.year, c.month, 1), c.sent) << c.name;
  }
  // 0016 and 10000 are out of range, 2O17 and an element without text do not read;
  // "+999" reads as a signed number, 999, which is already kept.
  EXPECT_EQ(data.FindYear(16), nullptr);
  EXPECT_EQ(data.FindYear(10000), nullptr);
  EXPECT_EQ(data.FindYear(2018), nullptr);
  EXPECT_EQ(data.FindYear(999)->FindMonth(8), nullptr);
  EXPECT_EQ(data.GetYearCount(), 3u);
}

TEST_F(SummaryDataTest, MonthRules) {
  CopyFixture("summary_months.xml", kSummaryFile);
  CSummaryData data;
  data.Load();
  ASSERT_EQ(data.IsLoaded(), 1);
  const CSummaryYear* year = data.FindYear(2016);
  ASSERT_NE(year, nullptr);
  EXPECT_EQ(SentOf(data, 2016, 3, 1), 2) << "\"3\" is dropped, the first \"03\" kept";
  EXPECT_EQ(SentOf(data, 2016, 3, 2), -1) << "the second \"03\" is not merged";
  EXPECT_EQ(SentOf(data, 2016, 4, 1), 5) << "a foreign element after the first month is a month";
  EXPECT_EQ(year->FindMonth(13), nullptr);
  EXPECT_EQ(year->FindMonth(0), nullptr);
  ASSERT_NE(year->FindMonth(12), nullptr) << "an empty month is kept";
  EXPECT_EQ(year->FindMonth(12)->GetUnitCount(), 0u);
  EXPECT_EQ(year->GetMonthCount(), 3u);
}

TEST_F(SummaryDataTest, UnitRules) {
  CopyFixture("summary_units.xml", kSummaryFile);
  std::vector<std::wstring> messages;
  CSummaryData data;
  {
    corvane_test::DebugOutputCapture capture;
    data.Load();
    messages = capture.Texts();
  }
  ASSERT_EQ(data.IsLoaded(), 1);

  struct Case {
    const char* name;
    int day;
    long long sent;
  };
  const Case cases[] = {
      {"plain unit", 1, 1},
      {"first unit of day 16 wins, whatever the other datetime characters", 16, 100},
      {"day 31 kept", 31, 3100},
      {"day 32 dropped", 32, -1},
      {"3a dropped", 3, -1},  // the "+5" unit of day 3 is dropped too
      {"day 0 stored", 0, 10},
      {"datetime of four characters dropped", 17, -1},
      {"datetime of seven characters dropped", 18, -1},
      {"send_size -5 dropped", 4, -1},
      {"send_size with a leading space dropped", 5, -1},
      {"empty send_size dropped", 6, -1},
      {"missing recv_size dropped", 7, -1},
      {"one above the 64-bit maximum dropped", 8, -1},
      {"007 reads as 7", 10, 7},
      {"unknown_size 1e3 dropped", 11, -1},
      {"grouped digits dropped", 12, -1},
      {"size whose first child is an element dropped", 13, -1},
      {"foreign element after the first unit is a unit", 14, 14},
      {"leading space inside CDATA dropped", 15, -1},
      {"children in any order, others ignored", 20, 3},
      {"datetime starting -1 dropped", -1, -1},
      {"datetime starting +2 reads as day 2", 2, 22},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SentOf(data, 2016, 3, c.day), c.sent) << c.name;
  }
  const CSummaryUnit* largest = data.FindYear(2016)->FindMonth(3)->FindDay(9);
  ASSERT_NE(largest, nullptr);
  EXPECT_EQ(largest->GetSent(), std::numeric_limits<std::uint64_t>::max());
  const CSummaryUnit* first = data.FindYear(2016)->FindMonth(3)->FindDay(1);
  EXPECT_EQ(first->GetReceived(), 2u);
  EXPECT_EQ(first->GetUnknown(), 3u);

  // Conversion failures reach the debugger output, each without a line break.
  ASSERT_FALSE(messages.empty());
  for (const std::wstring& message : messages) {
    EXPECT_FALSE(!message.empty() && message.back() == L'\n');
  }

  // Day 0 is kept but never shown: no slot of the month holds its 10 bytes.
  CMonthUsage month;
  data.FillMonthUsage(month, DateTime(2016, 3, 1));
  EXPECT_EQ(month.GetDayUsage(0).GetSent(), 1u);
  EXPECT_EQ(month.GetDayUsage(1).GetSent(), 22u);
  EXPECT_EQ(month.GetDayUsage(30).GetSent(), 3100u) << "day 31";
  for (int slot = 0; slot < CMonthUsage::kDaySlots; ++slot) {
    EXPECT_NE(month.GetDayUsage(slot).GetSent(), 10u) << slot;
  }
}

TEST_F(SummaryDataTest, InstallDateChecks) {
  struct Case {
    const char* name;
    std::string installElement;
    int loaded;
    DateTime installDate;
  };
  const Case cases[] = {
      {"valid", "<install_date>20160301</install_date>", 1, DateTime(2016, 3, 1)},
      {"leap day", "<install_date>20160229</install_date>", 1, DateTime(2016, 2, 29)},
      {"year 100", "<install_date>01000101</install_date>", 1, DateTime(100, 1, 1)},
      {"a sign inside reads as a signed part", "<install_date>2016+301</install_date>", 1,
       DateTime(2016, 3, 1)},
      {"seven characters", "<install_date>2016031</install_date>", 0, DateTime()},
      {"nine characters", "<install_date>201603011</install_date>", 0, DateTime()},
      {"no such day", "<install_date>20160230</install_date>", 0, DateTime()},
      {"29 February of a common year", "<install_date>20150229</install_date>", 0, DateTime()},
      {"year 99", "<install_date>00990101</install_date>", 0, DateTime()},
      {"month 13", "<install_date>20161301</install_date>", 0, DateTime()},
      {"letter among the digits", "<install_date>2016o301</install_date>", 0, DateTime()},
      {"empty", "<install_date></install_date>", 0, DateTime()},
      {"no text node first", "<install_date><!--x-->20160301</install_date>", 0, DateTime()},
      {"missing", "", 0, DateTime()},
  };
  for (const Case& c : cases) {
    sandbox.WriteData(kSummaryFile, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><xml>" + c.installElement +
                                    "<year>2016<month>03" + UnitXml("011200", "5") +
                                    "</month></year></xml>");
    CSummaryData data;
    data.Load();
    EXPECT_EQ(data.IsLoaded(), c.loaded) << c.name;
    if (c.loaded) {
      EXPECT_EQ(data.GetInstallDate(), c.installDate) << c.name;
      EXPECT_EQ(SentOf(data, 2016, 3, 1), 5) << c.name;
    } else {
      EXPECT_EQ(data.GetYearCount(), 0u) << c.name;
      EXPECT_EQ(data.GetInstallDate(), DateTime(2016, 3, 20, 10, 0, 0)) << c.name;
      EXPECT_EQ(data.GetLastDataDate(), DateTime(2016, 3, 20, 10, 0, 0)) << c.name;
    }
  }
}

TEST_F(SummaryDataTest, LastDataDateIsTheMomentTheLoadBegan) {
  CopyFixture("summary_written.xml", kSummaryFile);
  sandbox.PinClock(2016, 3, 18, 7, 45, 12);  // before the newest unit's stamp (the 16th 12:30 is older)
  CSummaryData data;
  data.Load();
  ASSERT_EQ(data.IsLoaded(), 1);
  EXPECT_EQ(data.GetLastDataDate(), DateTime(2016, 3, 18, 7, 45, 12));
  platform::Clock::Advance(3600);
  EXPECT_EQ(data.GetLastDataDate(), DateTime(2016, 3, 18, 7, 45, 12));
  data.Load();
  EXPECT_EQ(data.GetLastDataDate(), DateTime(2016, 3, 18, 8, 45, 12));
}

TEST_F(SummaryDataTest, MonthBeforeTheInstallMonthShowsTheInstallMonth) {
  CopyFixture("summary_written.xml", kSummaryFile);
  CSummaryData data;
  data.Load();
  ASSERT_EQ(data.IsLoaded(), 1);
  CMonthUsage month;
  data.FillMonthUsage(month, DateTime(2015, 11, 1));
  EXPECT_EQ(month.GetMonth(), DateTime(2016, 3, 1));
  EXPECT_EQ(month.GetDayUsage(15).GetSent(), 734003u);
  EXPECT_EQ(month.HasPrevMonth(), 0);

  // A month with no record stays empty.
  data.FillMonthUsage(month, DateTime(2016, 2, 1));
  EXPECT_EQ(month.GetMonth(), DateTime(2016, 3, 1)) << "February is before the install date";
  CMonthUsage april;
  data.FillMonthUsage(april, DateTime(2016, 4, 1));
  EXPECT_EQ(april.GetMonth(), DateTime(2016, 4, 1));
  EXPECT_EQ(april.GetMonthTotal(), 0u);
}

TEST_F(SummaryDataTest, NoFileShowsTheCurrentMonthEmpty) {
  CSummaryData data;
  data.Load();
  EXPECT_EQ(data.IsLoaded(), 0);
  CMonthUsage month;
  data.FillMonthUsage(month, DateTime(2015, 6, 1));
  EXPECT_EQ(month.GetMonth(), DateTime(2016, 3, 1));
  EXPECT_EQ(month.GetMonthTotal(), 0u);
  EXPECT_EQ(month.GetInstallDate(), DateTime(2016, 3, 20, 10, 0, 0));
  EXPECT_EQ(month.GetLastDataDate(), DateTime(2016, 3, 20, 10, 0, 0));

  struct Case {
    DateTime date;
    int hasData;
  };
  const Case cases[] = {{DateTime(2016, 3, 1), 1},  {DateTime(2016, 4, 1), 1},
                        {DateTime(2017, 1, 1), 1},  {DateTime(2016, 2, 1), 0},
                        {DateTime(2015, 12, 1), 0}, {DateTime(2015, 4, 1), 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(data.HasMonthData(c.date), c.hasData) << c.date.GetYear() << "-" << c.date.GetMonth();
  }
}

TEST_F(SummaryDataTest, AFileCutShortKeepsWhatWasRead) {
  std::string text = corvane_test::ReadFile(boost::filesystem::path(VIEWER_MODELS_FIXTURES) / "summary_written.xml");
  text = text.substr(0, text.find("<send_size>734003"));
  sandbox.WriteData(kSummaryFile, text);
  CSummaryData data;
  data.Load();
  ASSERT_EQ(data.IsLoaded(), 1);
  EXPECT_EQ(SentOf(data, 2016, 3, 1), 1048576);
  EXPECT_EQ(SentOf(data, 2016, 3, 16), -1);
}

TEST_F(SummaryDataTest, HostileFilesAreNotLoaded) {
  const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><xml><install_date>20160301</install_date>";
  std::string deep = head;
  for (int i = 0; i < 200000; ++i) deep += "<year>";
  struct Case {
    const char* name;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty file", ""},
      {"not XML", "this is not XML at all\n"},
      {"only a declaration", "<?xml version=\"1.0\" ?>"},
      {"binary", std::string("\x00\xff\xfe<\x01\x02xml>", 9)},
      {"UTF-16 with byte-order mark", std::string("\xff\xfe<\0x\0m\0l\0>\0", 12)},
      {"elements nested 200000 deep", deep},
      {"install date too long to be a number", "<xml><install_date>99999999999999999999</install_date></xml>"},
  };
  for (const Case& c : cases) {
    sandbox.WriteData(kSummaryFile, c.bytes);
    CSummaryData data;
    data.Load();
    EXPECT_EQ(data.IsLoaded(), 0) << c.name;
    EXPECT_EQ(data.GetYearCount(), 0u) << c.name;
  }
}

// TinyXML steps over a UTF-8 lead byte's whole sequence; one cut short at the end of the
// file made it read past the text. The reader still gets everything before it.
TEST_F(SummaryDataTest, UtfSequenceCutShortAtTheEnd) {
  const std::string head = "<xml><install_date>20160301</install_date><year>2016<month>03" +
                           UnitXml("051200", "55") + "<unit><datetime>061200</datetime><send_size>6";
  const std::string tails[] = {std::string("\xC7", 1), std::string("\xE3\x81", 2),
                               std::string("\xF0\x9F\x98", 3), std::string("\xC7\0\xE3", 3)};
  for (const std::string& tail : tails) {
    sandbox.WriteData(kSummaryFile, head + tail);
    CSummaryData data;
    data.Load();
    EXPECT_EQ(data.IsLoaded(), 1);
    EXPECT_EQ(SentOf(data, 2016, 3, 5), 55);
    EXPECT_EQ(SentOf(data, 2016, 3, 6), -1);
  }
}

TEST_F(SummaryDataTest, OddButReadableFilesAreLoaded) {
  std::string nested = "<xml><install_date>20160301</install_date><year>2016<month>03" +
                       UnitXml("051200", "55");
  for (int i = 0; i < 100; ++i) nested += "<pad>";
  for (int i = 0; i < 100; ++i) nested += "</pad>";
  nested += "</month></year></xml>";
  struct Case {
    const char* name;
    std::string bytes;
    long long sentOnDay5;
  };
  const Case cases[] = {
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF<xml><install_date>20160301</install_date><year>2016<month>03" +
                                    UnitXml("051200", "55") + "</month></year></xml>", 55},
      {"any root name", "<data><install_date>20160301</install_date><year>2016<month>03" +
                            UnitXml("051200", "55") + "</month></year></data>", 55},
      {"a hundred levels of padding", nested, 55},
      {"a size of a hundred digits drops only its unit",
       "<xml><install_date>20160301</install_date><year>2016<month>03" +
           UnitXml("051200", std::string(100, '9')) + UnitXml("061200", "6") + "</month></year></xml>", -1},
  };
  for (const Case& c : cases) {
    sandbox.WriteData(kSummaryFile, c.bytes);
    CSummaryData data;
    data.Load();
    EXPECT_EQ(data.IsLoaded(), 1) << c.name;
    EXPECT_EQ(SentOf(data, 2016, 3, 5), c.sentOnDay5) << c.name;
  }
}

}  // namespace
}  // namespace Velunor::Quillon::Ui
