// The summary writer and pruner on real files in a sandboxed data folder, with the clock
// pinned.
#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "collector/SummaryFile.h"
#include "platform/core/Clock.h"
#include "platform/core/TextCodec.h"
#include "tests/DebugOutputCapture.h"
#include "tests/collector_summary/SummarySandbox.h"

namespace {

using summary_test::At;
using summary_test::FixturePath;
using summary_test::MonthsOfFile;
using summary_test::OutlineOfFile;
using summary_test::ReadBytes;
using Velunor::Quillon::CSummaryFile;

std::wstring Wide(const std::string& text) { return platform::LocaleToWide(text); }

// Whether one of the caught log lines is exactly the message; the lines caught if not.
testing::AssertionResult Logged(const corvane_test::DebugOutputCapture& capture, const std::wstring& message) {
  std::string seen;
  for (const std::wstring& line : capture.Messages()) {
    if (line == message) return testing::AssertionSuccess();
    seen += "\n  " + platform::WideToUtf8(line);
  }
  return testing::AssertionFailure() << "not logged: " << platform::WideToUtf8(message) << "\nlogged:" << seen;
}

class SummaryWriterTest : public summary_test::SummarySandbox {
 protected:
  bool WriteAt(const platform::LocalTime& time, std::uint64_t sent, std::uint64_t received, std::uint64_t unknown) {
    sandbox.PinClock(time);
    return CSummaryFile().WriteInterval({sent, received, unknown});
  }
  void PruneAt(const platform::LocalTime& time) {
    sandbox.PinClock(time);
    CSummaryFile().RemoveOldMonths();
  }
};

TEST_F(SummaryWriterTest, UsesTheDataFolderOfTheMachineRoot) {
  EXPECT_EQ(CSummaryFile().GetNativePath(), (sandbox.Root() / "var/lib/Hoxa/Zembrolite/summarydata.xml").string());
}

struct WriteStep {
  platform::LocalTime at;
  std::uint64_t sent, received, unknown;
};
struct WriteCase {
  const char* name;
  const char* fixture;  // nullptr: neither file nor data folder exists
  std::vector<WriteStep> steps;
  const char* outline;  // of the file afterwards
};

TEST_F(SummaryWriterTest, WritesFollowTheFileRules) {
  const std::vector<WriteCase> cases = {
      {"first write creates folder and file", nullptr,
       {{At(2016, 3, 1, 18, 35), 1048576, 52428800, 0}},
       "xml(install_date:20160301 year:2016(month:03(unit(datetime:011835 send_size:1048576 recv_size:52428800 "
       "unknown_size:0))))"},
      {"a write of zeros still moves the stamp", "one_day.xml",
       {{At(2016, 3, 16, 18, 0), 0, 0, 0}},
       "xml(install_date:20160301 year:2016(month:03(unit(datetime:161800 send_size:734003 recv_size:9437184 "
       "unknown_size:1514))))"},
      {"two writes on one day share one unit", nullptr,
       {{At(2016, 3, 16, 10, 0), 1, 2, 3}, {At(2016, 3, 16, 10, 10), 10, 20, 30}},
       "xml(install_date:20160316 year:2016(month:03(unit(datetime:161010 send_size:11 recv_size:22 "
       "unknown_size:33))))"},
      {"a write after midnight at a month end books on the new month", nullptr,
       {{At(2016, 3, 31, 23, 55), 1, 2, 3}, {At(2016, 4, 1, 0, 5), 4, 5, 6}},
       "xml(install_date:20160331 year:2016(month:03(unit(datetime:312355 send_size:1 recv_size:2 unknown_size:3)) "
       "month:04(unit(datetime:010005 send_size:4 recv_size:5 unknown_size:6))))"},
      {"a write after midnight at new year books on the new year", nullptr,
       {{At(2015, 12, 31, 23, 55), 1, 2, 3}, {At(2016, 1, 1, 0, 5), 4, 5, 6}},
       "xml(install_date:20151231 year:2015(month:12(unit(datetime:312355 send_size:1 recv_size:2 unknown_size:3))) "
       "year:2016(month:01(unit(datetime:010005 send_size:4 recv_size:5 unknown_size:6))))"},
      {"the day is the first two characters of datetime", "odd_units.xml",
       {{At(2016, 3, 16, 12, 30), 1, 2, 3}},
       "xml(install_date:20160301 year:2016(month:03(unit(send_size:1 recv_size:1 unknown_size:1) "
       "unit(datetime:1 send_size:5 recv_size:5 unknown_size:5) "
       "unit(datetime:161230 send_size:11 recv_size:22 unknown_size:33))))"},
      {"units without a two-character day never match", "odd_units.xml",
       {{At(2016, 3, 1, 8, 0), 1, 2, 3}},
       "xml(install_date:20160301 year:2016(month:03(unit(send_size:1 recv_size:1 unknown_size:1) "
       "unit(datetime:1 send_size:5 recv_size:5 unknown_size:5) "
       "unit(datetime:169999 send_size:10 recv_size:20 unknown_size:30) "
       "unit(datetime:010800 send_size:1 recv_size:2 unknown_size:3))))"},
      {"month 3 is not month 03", "month_without_zero.xml",
       {{At(2016, 3, 10, 11, 0), 1, 2, 3}},
       "xml(install_date:20160301 year:2016(month:3(unit(datetime:101000 send_size:7 recv_size:8 unknown_size:9)) "
       "month:03(unit(datetime:101100 send_size:1 recv_size:2 unknown_size:3))))"},
      {"without install date the years go and today is the install date", "no_install_date.xml",
       {{At(2016, 3, 16, 12, 30), 1, 2, 3}},
       "xml(note:keep install_date:20160316 year:2016(month:03(unit(datetime:161230 send_size:1 recv_size:2 "
       "unknown_size:3))))"},
      {"a foreign element after the first year is walked as a year", "foreign_sibling.xml",
       {{At(2016, 3, 16, 12, 30), 1, 2, 3}},
       "xml(install_date:20150101 year:2015(month:12(unit(datetime:311000 send_size:9 recv_size:9 unknown_size:9))) "
       "other:2016(month:03(unit(datetime:161230 send_size:2 recv_size:3 unknown_size:4))))"},
      {"a foreign root is written into and keeps its children", "foreign_root.xml",
       {{At(2016, 3, 16, 12, 30), 1, 2, 3}},
       "data(comment_text:hello install_date:20150101 year:2016(month:03(unit(datetime:161230 send_size:1 "
       "recv_size:2 unknown_size:3))))"},
      {"a size element without text counts as 0", "empty_size.xml",
       {{At(2016, 3, 16, 12, 30), 1, 2, 3}},
       "xml(install_date:20160301 year:2016(month:03(unit(datetime:161230 send_size:1 recv_size:7 "
       "unknown_size:10))))"},
      {"sizes add in 64 bits and lose leading zeros", "near_max.xml",
       {{At(2016, 3, 16, 12, 30), 5, 1, 0}},
       "xml(install_date:20160301 year:2016(month:03(unit(datetime:161230 send_size:18446744073709551615 "
       "recv_size:4294967296 unknown_size:7))))"},
  };
  for (const WriteCase& row : cases) {
    SCOPED_TRACE(row.name);
    boost::filesystem::remove_all(DataFolder());
    if (row.fixture) PlaceFixture(row.fixture);
    for (const WriteStep& step : row.steps) WriteAt(step.at, step.sent, step.received, step.unknown);
    EXPECT_EQ(OutlineOfFile(SummaryPath()), row.outline);
  }
}

// A stored size near the top of 64 bits: the sum stops at the largest count instead of
// wrapping round to a small one, and the log says how much was not counted.
TEST_F(SummaryWriterTest, SumsStopAtTheLargestCount) {
  const struct {
    const char* size;
    const char* outline;
  } cases[] = {
      {"send_size",
       "xml(install_date:20160301 year:2016(month:03(unit(datetime:161240 send_size:18446744073709551615 "
       "recv_size:9447604 unknown_size:11934))))"},
      {"recv_size",
       "xml(install_date:20160301 year:2016(month:03(unit(datetime:161240 send_size:744423 "
       "recv_size:18446744073709551615 unknown_size:11934))))"},
      {"unknown_size",
       "xml(install_date:20160301 year:2016(month:03(unit(datetime:161240 send_size:744423 recv_size:9447604 "
       "unknown_size:18446744073709551615))))"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.size);
    boost::filesystem::remove_all(DataFolder());
    std::string bytes = ReadBytes(FixturePath("one_day.xml"));
    const std::string open = std::string("<") + row.size + ">";
    const std::size_t start = bytes.find(open) + open.size();
    bytes.replace(start, bytes.find('<', start) - start, "18446744073709551000");
    PlaceBytes(bytes);

    corvane_test::DebugOutputCapture capture;
    EXPECT_TRUE(WriteAt(At(2016, 3, 16, 12, 40), 10420, 10420, 10420));
    EXPECT_EQ(OutlineOfFile(SummaryPath()), row.outline);
    EXPECT_TRUE(Logged(capture, Wide(row.size) + L" of today's unit stops at "
                                                 L"18446744073709551615; 9805 bytes of this write are not in it"));
    EXPECT_TRUE(OtherFiles().empty());
  }
}

TEST_F(SummaryWriterTest, CreatedFileHasTheSavedLayout) {
  std::wstring debugText;
  {
    corvane_test::DebugOutputCapture capture;
    WriteAt(At(2016, 3, 1, 18, 35), 1048576, 52428800, 0);
    capture.Clear();
    WriteAt(At(2016, 3, 16, 12, 30), 734003, 9437184, 1514);
    for (const std::wstring& text : capture.Texts()) debugText += text;
  }

  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"
      "<xml>\r\n"
      "    <install_date>20160301</install_date>\r\n"
      "    <year>2016\r\n"
      "        <month>03\r\n"
      "            <unit>\r\n"
      "                <datetime>011835</datetime>\r\n"
      "                <send_size>1048576</send_size>\r\n"
      "                <recv_size>52428800</recv_size>\r\n"
      "                <unknown_size>0</unknown_size>\r\n"
      "            </unit>\r\n"
      "            <unit>\r\n"
      "                <datetime>161230</datetime>\r\n"
      "                <send_size>734003</send_size>\r\n"
      "                <recv_size>9437184</recv_size>\r\n"
      "                <unknown_size>1514</unknown_size>\r\n"
      "            </unit>\r\n"
      "        </month>\r\n"
      "    </year>\r\n"
      "</xml>\r\n";
  EXPECT_EQ(ReadBytes(SummaryPath()), expected);
  // The debug output gets the same document on one line, then a line break (after what
  // others may have written there, such as the settings loader).
  const std::wstring expectedDebugText =
            L"<?xml version=\"1.0\" encoding=\"UTF-8\" ?><xml><install_date>20160301</install_date><year>2016"
            L"<month>03<unit><datetime>011835</datetime><send_size>1048576</send_size><recv_size>52428800"
            L"</recv_size><unknown_size>0</unknown_size></unit><unit><datetime>161230</datetime><send_size>"
            L"734003</send_size><recv_size>9437184</recv_size><unknown_size>1514</unknown_size></unit></month>"
            L"</year></xml>\n";
  ASSERT_GE(debugText.size(), expectedDebugText.size());
  EXPECT_EQ(debugText.substr(debugText.size() - expectedDebugText.size()), expectedDebugText);
  EXPECT_TRUE(OtherFiles().empty());
}

struct PruneCase {
  const char* name;
  const char* fixture;
  platform::LocalTime at;
  const char* months;  // what stays, as MonthsOfFile shows it
  const char* installDate;
  std::vector<std::string> keptAside;  // files beside it afterwards, each the fixture's bytes
};

// span.xml's newest month is January 2017. A start in that month or the next one prunes
// as every month does; a clock further ahead takes months the file still needs, so the
// old file is kept first.
TEST_F(SummaryWriterTest, PruningKeepsTheCurrentMonthTheTwelveBeforeAndLater) {
  const std::vector<PruneCase> cases = {
      {"March 2016", "span.xml", At(2016, 3, 16, 9),
       "2015(03 04 05 06 07 08 09 10 11 12) 2016(01 02 03) 2017(01)", "20141101", {}},
      {"January 2016", "span.xml", At(2016, 1, 5),
       "2015(01 02 03 04 05 06 07 08 09 10 11 12) 2016(01 02 03) 2017(01)", "20141101", {}},
      {"December 2016", "span.xml", At(2016, 12, 1), "2015(12) 2016(01 02 03) 2017(01)", "20141101", {}},
      {"in the newest month the thirteenth month before it goes", "span.xml", At(2017, 1, 20),
       "2016(01 02 03) 2017(01)", "20141101", {}},
      {"in the month after the newest the twelfth month before it goes", "span.xml", At(2017, 2, 1),
       "2016(02 03) 2017(01)", "20141101", {}},
      {"two months after the newest the old file is kept first", "span.xml", At(2017, 3, 1, 8),
       "2016(03) 2017(01)", "20141101", {"summarydata.xml.clock-ahead-20170301080000"}},
      {"a year whose months all go stays empty", "span.xml", At(2018, 2, 1), "2017()", "20141101",
       {"summarydata.xml.clock-ahead-20180201000000"}},
      {"texts missing are passed over, foreign elements walked as years", "odd_prune.xml", At(2016, 3, 16),
       "-(01) 2015(- 3 12) 2016(01)", "20140101", {}},
  };
  for (const PruneCase& row : cases) {
    SCOPED_TRACE(row.name);
    boost::filesystem::remove_all(DataFolder());
    PlaceFixture(row.fixture);
    PruneAt(row.at);
    EXPECT_EQ(MonthsOfFile(SummaryPath()), row.months);
    EXPECT_EQ(OutlineOfFile(SummaryPath()).rfind(std::string("xml(install_date:") + row.installDate, 0), 0u);
    ASSERT_EQ(OtherFiles(), row.keptAside);
    for (const std::string& name : row.keptAside) {
      EXPECT_EQ(ReadBytes(DataFolder() + "/" + name), ReadBytes(FixturePath(row.fixture)));
    }
  }
}

// A collector started with its clock years ahead of the file: the prune takes every month
// there is, so the file as it was is kept aside first and the log says what went and where
// it is. A later start keeps nothing more aside.
TEST_F(SummaryWriterTest, AClockYearsAheadPrunesOnlyWithTheOldFileKept) {
  PlaceFixture("months_2026.xml");
  {
    corvane_test::DebugOutputCapture capture;
    PruneAt(At(2030, 1, 1, 10, 0));
    const std::wstring kept = Wide(SummaryPath()) + L".clock-ahead-20300101100000";
    EXPECT_TRUE(Logged(capture, L"the previous summary file was kept as " + kept +
                                    L" (clock-ahead): the clock (2030-01) is more than a month past the newest "
                                    L"month in the file (2026-06); months removed: 2025-11..2026-06"));
  }
  EXPECT_EQ(MonthsOfFile(SummaryPath()), "");
  ASSERT_EQ(OtherFiles(), std::vector<std::string>{"summarydata.xml.clock-ahead-20300101100000"});
  EXPECT_EQ(ReadBytes(DataFolder() + "/" + OtherFiles()[0]), ReadBytes(FixturePath("months_2026.xml")));

  WriteAt(At(2030, 1, 1, 10, 10), 1, 2, 3);
  PruneAt(At(2030, 1, 2, 9, 0));
  EXPECT_EQ(MonthsOfFile(SummaryPath()), "2030(01)");
  EXPECT_EQ(OtherFiles().size(), 1u);
}

// A clock outside the years a date can hold books nothing under a date made up from it:
// the write leaves the file as it was, reports the counts as not written (its caller keeps
// them for a write with a real date) and logs them; the prune removes nothing.
TEST_F(SummaryWriterTest, AClockOutsideTheYearsOfADateWritesNothing) {
  const struct {
    const char* name;
    platform::LocalTime lastValid, outside;
    const wchar_t* clockText;
  } cases[] = {
      {"past 9999-12-31", At(9999, 12, 31, 23, 55), At(10000, 1, 1, 0, 5), L"10000-01-01 00:05:00"},
      {"before the year 100", At(100, 1, 1, 0, 5), At(99, 12, 31, 23, 55), L"0099-12-31 23:55:00"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    boost::filesystem::remove_all(DataFolder());
    ASSERT_TRUE(WriteAt(row.lastValid, 1, 2, 3));
    const std::string before = ReadBytes(SummaryPath());

    corvane_test::DebugOutputCapture capture;
    EXPECT_FALSE(WriteAt(row.outside, 10, 20, 30));
    PruneAt(row.outside);
    EXPECT_EQ(ReadBytes(SummaryPath()), before);
    EXPECT_TRUE(OtherFiles().empty());
    EXPECT_TRUE(Logged(capture, std::wstring(L"the clock reads ") + row.clockText +
                                    L", outside the years 100 to 9999: nothing is written under a made-up date; "
                                    L"not in the file: sent 10, received 20, unknown 30"));
    EXPECT_TRUE(Logged(capture, std::wstring(L"the clock reads ") + row.clockText +
                                    L", outside the years 100 to 9999: nothing is pruned"));
  }
}

TEST_F(SummaryWriterTest, PruningWithoutFileCreatesNothing) {
  PruneAt(At(2016, 3, 16));
  EXPECT_FALSE(boost::filesystem::exists(DataFolder()));
  WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3);
  EXPECT_EQ(MonthsOfFile(SummaryPath()), "2016(03)");
}

// Files that cannot be read at all: kept aside under a new name, counting goes on in a
// new file, and the next write keeps nothing more aside.
TEST_F(SummaryWriterTest, UnreadableFileIsKeptAsideAndANewFileStarted) {
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"not XML", "this is no summary at all\n"},
      {"empty", ""},
      {"only a declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n"},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    boost::filesystem::remove_all(DataFolder());
    PlaceBytes(row.bytes);

    PruneAt(At(2016, 3, 16, 12, 0));
    EXPECT_EQ(ReadBytes(SummaryPath()), row.bytes) << "pruning leaves it alone";

    WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3);
    WriteAt(At(2016, 3, 16, 12, 40), 1, 2, 3);
    EXPECT_EQ(OutlineOfFile(SummaryPath()),
              "xml(install_date:20160316 year:2016(month:03(unit(datetime:161240 send_size:2 recv_size:4 "
              "unknown_size:6))))");
    ASSERT_EQ(OtherFiles(), std::vector<std::string>{"summarydata.xml.unreadable-20160316123000"});
    EXPECT_EQ(ReadBytes(DataFolder() + "/" + OtherFiles()[0]), row.bytes);
  }
}

TEST_F(SummaryWriterTest, DamagedFileKeepsWhatWasReadAndTheOriginalAside) {
  PlaceFixture("truncated.xml");
  WriteAt(At(2016, 3, 1, 19, 0), 10, 20, 30);
  EXPECT_EQ(OutlineOfFile(SummaryPath()),
            "xml(install_date:20160301 year:2016(month:03(unit(datetime:011900 send_size:11 recv_size:22 "
            "unknown_size:33) unit(datetime:021200 send_size:5))))");
  ASSERT_EQ(OtherFiles(), std::vector<std::string>{"summarydata.xml.damaged-20160301190000"});
  EXPECT_EQ(ReadBytes(DataFolder() + "/" + OtherFiles()[0]), ReadBytes(FixturePath("truncated.xml")));
}

TEST_F(SummaryWriterTest, DroppedYearsAreKeptAside) {
  PlaceFixture("no_install_date.xml");
  corvane_test::DebugOutputCapture capture;
  WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3);
  ASSERT_EQ(OtherFiles(), std::vector<std::string>{"summarydata.xml.no-install-date-20160316123000"});
  EXPECT_EQ(ReadBytes(DataFolder() + "/" + OtherFiles()[0]), ReadBytes(FixturePath("no_install_date.xml")));
  EXPECT_TRUE(Logged(capture, L"the previous summary file was kept as " + Wide(SummaryPath()) +
                                  L".no-install-date-20160316123000 (no-install-date): months "
                                  L"removed: 2015-12, 2016-03"));
  // A file that never had years loses nothing, so nothing is kept.
  boost::filesystem::remove_all(DataFolder());
  PlaceBytes("<xml><note>keep</note></xml>");
  WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3);
  EXPECT_TRUE(OtherFiles().empty());
}

// The XML library can step past the end of its text after an incomplete multi-byte
// character; what lies behind the end (here: behind a NUL) must never be read as content.
TEST_F(SummaryWriterTest, NothingBehindTheEndOfTheTextIsRead) {
  PlaceBytes(std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<xml><install_date>20160301</install_date>"
                         "<note>a\xef") +
             '\0' + "X<year>2015<month>01</month></year></note></xml>\n");
  WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3);
  const std::string outline = OutlineOfFile(SummaryPath());
  EXPECT_EQ(outline.find("2015"), std::string::npos) << outline;
  EXPECT_NE(outline.find("year:2016(month:03(unit(datetime:161230 send_size:1 recv_size:2 unknown_size:3)))"),
            std::string::npos)
      << outline;
}

// A size that does not read as a number: the file is kept aside once, that size starts
// again from the write, and the other sizes and the later writes of the day add up.
TEST_F(SummaryWriterTest, AnUnreadableSizeIsKeptAsideAndCountingGoesOn) {
  for (const char* text : {"SIZE", "12a4", "-5", "18446744073709551616"}) {
    SCOPED_TRACE(text);
    boost::filesystem::remove_all(DataFolder());
    std::string bytes = ReadBytes(FixturePath("size_letters.xml"));
    bytes.replace(bytes.find("SIZE"), 4, text);
    PlaceBytes(bytes);

    EXPECT_TRUE(WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3));
    WriteAt(At(2016, 3, 16, 12, 40), 1, 2, 3);
    WriteAt(At(2016, 3, 17, 0, 5), 4, 5, 6);
    EXPECT_EQ(OutlineOfFile(SummaryPath()),
              "xml(install_date:20160301 year:2016(month:03(unit(datetime:151200 send_size:1 recv_size:2 "
              "unknown_size:3) unit(datetime:161240 send_size:2 recv_size:6 unknown_size:9) "
              "unit(datetime:170005 send_size:4 recv_size:5 unknown_size:6))))");
    ASSERT_EQ(OtherFiles(), std::vector<std::string>{"summarydata.xml.bad-size-20160316123000"});
    EXPECT_EQ(ReadBytes(DataFolder() + "/" + OtherFiles()[0]), bytes);
  }
}

// A write whose bytes are not in the file says so, so that its caller can keep them.
TEST_F(SummaryWriterTest, AWriteThatCannotReadTheFileSaysSoAndChangesNothing) {
  boost::filesystem::create_directories(SummaryPath());  // something there, but no file to read
  EXPECT_FALSE(WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3));
  EXPECT_TRUE(boost::filesystem::is_directory(SummaryPath()));
  EXPECT_TRUE(OtherFiles().empty());
  boost::filesystem::remove(SummaryPath());
  EXPECT_TRUE(WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3));
  EXPECT_EQ(MonthsOfFile(SummaryPath()), "2016(03)");
}

// A year or month text with letters never matches a write and stops the pruning whole.
TEST_F(SummaryWriterTest, YearOrMonthWithLettersStopsPruning) {
  for (const char* fixture : {"year_letters.xml", "month_letters.xml"}) {
    SCOPED_TRACE(fixture);
    PlaceFixture(fixture);
    PruneAt(At(2016, 3, 16));
    EXPECT_EQ(ReadBytes(SummaryPath()), ReadBytes(FixturePath(fixture)));
  }
  PlaceFixture("year_letters.xml");
  WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3);
  EXPECT_EQ(MonthsOfFile(SummaryPath()), "2014(05) 20l6(03) 2016(03)");
  EXPECT_NE(OutlineOfFile(SummaryPath()).find("year:20l6(month:03(unit(datetime:161200 send_size:1 recv_size:2 "
                                               "unknown_size:3)))"),
            std::string::npos);
}

// The file is replaced by a rename: a reader that opened the old file reads it whole, the
// permissions stay, and no temporary file is left.
TEST_F(SummaryWriterTest, ReplacementLeavesReadersTheWholeOldFile) {
  WriteAt(At(2016, 3, 16, 12, 30), 1, 2, 3);
  ASSERT_EQ(::chmod(SummaryPath().c_str(), 0640), 0);
  const std::string before = ReadBytes(SummaryPath());
  std::ifstream reader(SummaryPath(), std::ios::binary);

  WriteAt(At(2016, 3, 16, 12, 40), 1, 2, 3);
  const std::string seenByReader((std::istreambuf_iterator<char>(reader)), std::istreambuf_iterator<char>());
  EXPECT_EQ(seenByReader, before);
  EXPECT_NE(ReadBytes(SummaryPath()), before);

  struct stat status {};
  ASSERT_EQ(::stat(SummaryPath().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  EXPECT_TRUE(OtherFiles().empty());
}

TEST_F(SummaryWriterTest, PruningRemovesLeftoverTemporaryFiles) {
  PlaceFixture("one_day.xml");
  summary_test::WriteBytes(SummaryPath() + ".tmp-4242-7", "<xml><year>20");
  summary_test::WriteBytes(DataFolder() + "/keep.txt", "not ours");
  PruneAt(At(2016, 3, 16));
  EXPECT_EQ(OtherFiles(), std::vector<std::string>{"keep.txt"});
  EXPECT_EQ(MonthsOfFile(SummaryPath()), "2016(03)");
}

}  // namespace
