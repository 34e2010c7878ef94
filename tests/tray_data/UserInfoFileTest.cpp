// userinfo.xml: the saved layout, record replacement and order, the reading rules and
// the log entries, on real files in a folder of the test's own.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include "common/PathUtil.h"
#include "platform/core/TextCodec.h"
#include "tests/tray_data/TrayDataSupport.h"
#include "tray/UserInfoFile.h"

using platform::DateTime;
using tray_data_test::DebugOutputCapture;
using tray_data_test::kBom;
using tray_data_test::kDeclaration;
using tray_data_test::Lines;
using tray_data_test::Version;
using Velunor::Quillon::Resident::CUserInfoFile;
using Velunor::Quillon::Resident::CVersionNumber;
namespace fs = boost::filesystem;

namespace {

const char kBadNumberText[] = "bad lexical cast: source type value could not be interpreted as target";

class UserInfoFile : public tray_data_test::StateFileTest {
 protected:
  UserInfoFile() : StateFileTest("userinfo.xml") {}
};

}  // namespace

TEST_F(UserInfoFile, ANewFileHasTheDeclarationRootAndRecordsInTheSavedLayout) {
  DebugOutputCapture capture;
  CUserInfoFile file(WidePath());
  file.SetNotificationDate(DateTime(2016, 3, 16, 12, 34, 56), 1, 1);
  file.SetUpdateDate(DateTime(2016, 3, 16), Version(L"1.2.0"), 1);

  EXPECT_EQ(Read(), Lines({kDeclaration,
                           "<user_info>",
                           "    <notification>",
                           "        <date>201603161234</date>",
                           "        <count>1</count>",
                           "        <show />",
                           "    </notification>",
                           "    <update>",
                           "        <date>201603160000</date>",
                           "        <version>1.2.0</version>",
                           "        <count>1</count>",
                           "    </update>",
                           "</user_info>"}));
  ASSERT_EQ(capture.Entries().size(), 2u);
  EXPECT_EQ(capture.Entries()[0].function, L"Velunor::Quillon::Resident::CUserInfoFile::SetNotificationDate");
  EXPECT_EQ(capture.Entries()[0].severity, L"DEBUG");
  EXPECT_EQ(capture.Entries()[0].message, L"Set Notification Date OK [" + WidePath() + L"]");
  EXPECT_EQ(capture.Entries()[1].function, L"Velunor::Quillon::Resident::CUserInfoFile::SetUpdateDate");
  EXPECT_EQ(capture.Entries()[1].severity, L"DEBUG");
  EXPECT_EQ(capture.Entries()[1].message, L"UserInfo Update OK [" + WidePath() + L"]");
}

TEST_F(UserInfoFile, RecordsReadBackWithoutSecondsAndWithTheShowFlag) {
  struct Case {
    int count;
    int show;
    int showRead;
  } cases[] = {{1, 1, 1}, {3, 0, 0}, {2, 2, 0}, {-7, -1, 0}, {2147483647, 1, 1}};
  CUserInfoFile file(WidePath());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    file.SetNotificationDate(DateTime(2016, 3, 16, 12, 34, 56), c.count, c.show);
    DateTime date;
    int count = 0, show = -1;
    ASSERT_EQ(file.GetNotificationDate(date, count, show), 1);
    EXPECT_EQ(date, DateTime(2016, 3, 16, 12, 34, 0));
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(show, c.showRead);
    EXPECT_EQ(Read().find("<show />") != std::string::npos, c.show == 1);
  }
  file.SetUpdateDate(DateTime(2017, 12, 31, 23, 59, 59), Version(L"1.10.0"), 4);
  DateTime date;
  CVersionNumber version;
  int count = 0;
  ASSERT_EQ(file.GetUpdateDate(date, version, count), 1);
  EXPECT_EQ(date, DateTime(2017, 12, 31, 23, 59, 0));
  EXPECT_EQ(version, Version(L"1.10.0"));
  EXPECT_EQ(count, 4);
}

TEST_F(UserInfoFile, AMissingFileReadsAsNoRecordAndLogsNothing) {
  DebugOutputCapture capture;
  CUserInfoFile file(WidePath());
  DateTime date;
  CVersionNumber version;
  int count = 0, show = 0;
  EXPECT_EQ(file.GetNotificationDate(date, count, show), 0);
  EXPECT_EQ(file.GetUpdateDate(date, version, count), 0);
  EXPECT_TRUE(capture.Entries().empty());
  EXPECT_TRUE(capture.OtherTexts().empty());
  EXPECT_FALSE(fs::exists(Path().parent_path()));
}

TEST_F(UserInfoFile, ReadingTheNotificationRecordFollowsTheRules) {
  struct Case {
    const char* name;
    std::string content;
    int result;
    DateTime date;
    int count;
    int show;
    bool badNumber;  // the conversion exception: debugger output and an ERROR entry
  } cases[] = {
      {"Complete", "<user_info><notification><date>201603161234</date><count>2</count><show/></notification></user_info>",
       1, DateTime(2016, 3, 16, 12, 34), 2, 1, false},
      {"OtherRootName", "<state><notification><date>201603161234</date><count>2</count></notification></state>", 1,
       DateTime(2016, 3, 16, 12, 34), 2, 0, false},
      {"ChildrenInAnyOrder", "<u><notification><show>yes</show><count>5</count><date>209912312359</date></notification></u>",
       1, DateTime(2099, 12, 31, 23, 59), 5, 1, false},
      {"PlusSignedCount", "<u><notification><date>201603161234</date><count>+7</count></notification></u>", 1,
       DateTime(2016, 3, 16, 12, 34), 7, 0, false},
      {"NegativeCount", "<u><notification><date>201603161234</date><count>-3</count></notification></u>", 1,
       DateTime(2016, 3, 16, 12, 34), -3, 0, false},
      {"FirstOfTwoRecords",
       "<u><notification><date>201603161234</date><count>1</count></notification>"
       "<notification><date>201701010000</date><count>9</count></notification></u>",
       1, DateTime(2016, 3, 16, 12, 34), 1, 0, false},
      {"WithByteOrderMark", std::string(kBom) + "<u><notification><date>201603161234</date><count>1</count></notification></u>",
       1, DateTime(2016, 3, 16, 12, 34), 1, 0, false},
      {"ElevenCharacters", "<u><notification><date>20160316123</date><count>1</count></notification></u>", 0, {}, 0, 0,
       false},
      {"ThirteenCharacters", "<u><notification><date>2016031612345</date><count>1</count></notification></u>", 0, {}, 0,
       0, false},
      {"ThirtiethOfFebruary", "<u><notification><date>201602301200</date><count>1</count></notification></u>", 0, {}, 0,
       0, false},
      {"Hour24", "<u><notification><date>201603162400</date><count>1</count></notification></u>", 0, {}, 0, 0, false},
      {"Year99", "<u><notification><date>009912311200</date><count>1</count></notification></u>", 0, {}, 0, 0, false},
      {"LetterInDate", "<u><notification><date>2016O3161234</date><count>1</count></notification></u>", 0, {}, 0, 0,
       true},
      {"BlankInDate", "<u><notification><date>2016 3161234</date><count>1</count></notification></u>", 0, {}, 0, 0, true},
      {"DateWithoutText", "<u><notification><date/><count>1</count></notification></u>", 0, {}, 0, 0, false},
      {"NoDate", "<u><notification><count>1</count></notification></u>", 0, {}, 0, 0, false},
      {"EmptyCount", "<u><notification><date>201603161234</date><count></count></notification></u>", 0, {}, 0, 0, false},
      {"NoCount", "<u><notification><date>201603161234</date></notification></u>", 0, {}, 0, 0, false},
      {"CountNotANumber", "<u><notification><date>201603161234</date><count>1x</count></notification></u>", 0, {}, 0, 0,
       true},
      {"CountBeyond32Bits", "<u><notification><date>201603161234</date><count>2147483648</count></notification></u>", 0,
       {}, 0, 0, true},
      {"NameCaseMatters", "<u><Notification><date>201603161234</date><count>1</count></Notification></u>", 0, {}, 0, 0,
       false},
      {"OnlyAnUpdateRecord", "<u><update><date>201603161234</date><version>1.0.0</version><count>1</count></update></u>",
       0, {}, 0, 0, false},
      {"RootOnly", "<user_info/>", 0, {}, 0, 0, false},
      {"EmptyFile", "", 0, {}, 0, 0, false},
      {"NotXml", "garbage", 0, {}, 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(c.content);
    DebugOutputCapture capture;
    CUserInfoFile file(WidePath());
    DateTime date;
    int count = 0, show = -1;
    ASSERT_EQ(file.GetNotificationDate(date, count, show), c.result);
    if (c.result == 1) {
      EXPECT_EQ(date, c.date);
      EXPECT_EQ(count, c.count);
      EXPECT_EQ(show, c.show);
    }
    if (c.badNumber) {
      EXPECT_EQ(capture.OtherTexts(), (std::vector<std::wstring>{platform::Utf8ToWide(kBadNumberText)}));
      ASSERT_EQ(capture.Entries().size(), 1u);
      EXPECT_EQ(capture.Entries()[0].function, L"Velunor::Quillon::Resident::CUserInfoFile::GetNotificationDate");
      EXPECT_EQ(capture.Entries()[0].severity, L"ERROR");
      EXPECT_EQ(capture.Entries()[0].message, L"UserInfo Get Notification Date NG [" + WidePath() + L"] [" +
                                                  platform::Utf8ToWide(kBadNumberText) + L"]");
    } else {
      EXPECT_TRUE(capture.Entries().empty());
      EXPECT_TRUE(capture.OtherTexts().empty());
    }
  }
}

TEST_F(UserInfoFile, ReadingTheUpdateRecordNeedsAVersionOfThreeParts) {
  struct Case {
    const char* name;
    const char* record;
    int result;
    const wchar_t* version;
    bool badNumber;
  } cases[] = {
      {"Complete", "<update><date>201603160000</date><version>1.2.0</version><count>3</count></update>", 1, L"1.2.0",
       false},
      {"MoreParts", "<update><date>201603160000</date><version>1.2.0.5</version><count>3</count></update>", 1, L"1.2.0",
       false},
      {"TwoParts", "<update><date>201603160000</date><version>1.2</version><count>3</count></update>", 0, nullptr, false},
      {"VersionWithoutText", "<update><date>201603160000</date><version/><count>3</count></update>", 0, nullptr, false},
      {"NoCount", "<update><date>201603160000</date><version>1.2.0</version></update>", 0, nullptr, false},
      {"LetterInDate", "<update><date>20160316000a</date><version>1.2.0</version><count>3</count></update>", 0, nullptr,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(std::string("<user_info>") + c.record + "</user_info>");
    DebugOutputCapture capture;
    CUserInfoFile file(WidePath());
    DateTime date;
    CVersionNumber version;
    int count = 0;
    ASSERT_EQ(file.GetUpdateDate(date, version, count), c.result);
    if (c.result == 1) {
      EXPECT_EQ(date, DateTime(2016, 3, 16));
      EXPECT_EQ(version, Version(c.version));
      EXPECT_EQ(count, 3);
    }
    if (c.badNumber) {
      ASSERT_EQ(capture.Entries().size(), 1u);
      EXPECT_EQ(capture.Entries()[0].function, L"Velunor::Quillon::Resident::CUserInfoFile::GetUpdateDate");
      EXPECT_EQ(capture.Entries()[0].severity, L"ERROR");
      EXPECT_EQ(capture.Entries()[0].message,
                L"Get Update Date NG [" + WidePath() + L"] [" + platform::Utf8ToWide(kBadNumberText) + L"]");
    } else {
      EXPECT_TRUE(capture.Entries().empty());
    }
  }
}

TEST_F(UserInfoFile, AWriteReplacesItsOwnRecordAndKeepsEverythingElse) {
  const std::string update = "<update><date>201601010000</date><version>1.0.0</version><count>2</count></update>";
  const std::vector<std::string> notification = {"    <notification>", "        <date>201603161234</date>",
                                                 "        <count>1</count>", "    </notification>"};
  auto with = [&](const std::vector<std::string>& head, const std::vector<std::string>& tail) {
    return Lines(head) + Lines(notification) + Lines(tail);
  };
  struct Case {
    const char* name;
    std::string before;
    std::string after;
  } cases[] = {
      {"AfterTheUpdateRecord", std::string(kDeclaration) + "\n<user_info>" + update + "</user_info>\n",
       with({kDeclaration, "<user_info>", "    <update>", "        <date>201601010000</date>",
             "        <version>1.0.0</version>", "        <count>2</count>", "    </update>"},
            {"</user_info>"})},
      {"ReplacedAndMovedLast",
       "<user_info><notification><date>201001010000</date><count>8</count><show/></notification>" + update +
           "</user_info>",
       with({"<user_info>", "    <update>", "        <date>201601010000</date>", "        <version>1.0.0</version>",
             "        <count>2</count>", "    </update>"},
            {"</user_info>"})},
      {"OnlyTheFirstOfTwoIsReplaced",
       "<user_info><notification><date>201001010000</date></notification>"
       "<notification><date>201101010000</date></notification></user_info>",
       with({"<user_info>", "    <notification>", "        <date>201101010000</date>", "    </notification>"},
            {"</user_info>"})},
      {"AnyRootNameAndOtherContent", "<state a=\"1\"><!--keep--><other>x</other></state>",
       with({"<state a=\"1\">", "    <!--keep-->", "    <other>x</other>"}, {"</state>"})},
      {"EmptyFileGetsNoDeclaration", "", with({"<user_info>"}, {"</user_info>"})},
      {"NotXmlStartsAfresh", "not xml", with({"<user_info>"}, {"</user_info>"})},
      {"ByteOrderMarkKept", std::string(kBom) + kDeclaration + "<user_info/>",
       with({std::string(kBom) + kDeclaration, "<user_info>"}, {"</user_info>"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(c.before);
    CUserInfoFile(WidePath()).SetNotificationDate(DateTime(2016, 3, 16, 12, 34, 56), 1, 0);
    EXPECT_EQ(Read(), c.after);
  }
}

TEST_F(UserInfoFile, AFileWrittenWithAByteOrderMarkKeepsItThroughReadsAndWrites) {
  Write(std::string(kBom) + "<user_info><update><date>201601010000</date><version>1.0.0</version><count>2</count>"
                            "</update></user_info>");
  CUserInfoFile file(WidePath());
  DateTime date;
  CVersionNumber version;
  int count = 0;
  ASSERT_EQ(file.GetUpdateDate(date, version, count), 1);
  file.SetUpdateDate(date, Version(L"1.0.1"), count + 1);
  file.SetNotificationDate(DateTime(2016, 3, 16), 1, 1);
  std::string saved = Read();
  EXPECT_EQ(saved.compare(0, 3, kBom), 0);
  EXPECT_EQ(saved.find(kBom, 3), std::string::npos);
  ASSERT_EQ(file.GetUpdateDate(date, version, count), 1);
  EXPECT_EQ(version, Version(L"1.0.1"));
  EXPECT_EQ(count, 3);
}

TEST_F(UserInfoFile, AFolderThatCannotBeCreatedLosesTheWriteWithAnErrorEntry) {
  // A plain file where the folder should be.
  corvane_test::WriteFile(folder.path() / "Hoxa", "in the way");
  DebugOutputCapture capture;
  CUserInfoFile(WidePath()).SetNotificationDate(DateTime(2016, 3, 16, 12, 34), 1, 1);
  EXPECT_FALSE(fs::exists(Path()));
  ASSERT_EQ(capture.Entries().size(), 1u);
  EXPECT_EQ(capture.Entries()[0].severity, L"ERROR");
  EXPECT_EQ(capture.Entries()[0].message.rfind(L"Set Notification Date NG [" + WidePath() + L"] [", 0), 0u)
      << platform::WideToUtf8(capture.Entries()[0].message);
  ASSERT_EQ(capture.OtherTexts().size(), 1u);
  EXPECT_NE(capture.Entries()[0].message.find(capture.OtherTexts()[0]), std::wstring::npos);
}

TEST_F(UserInfoFile, AFileThatCannotBeWrittenGivesTheNgEntry) {
  // A folder at the file's place: it exists but is no document and cannot be written.
  fs::create_directories(Path());
  DebugOutputCapture capture;
  CUserInfoFile file(WidePath());
  file.SetUpdateDate(DateTime(2016, 3, 16), Version(L"1.2.0"), 1);
  file.SetNotificationDate(DateTime(2016, 3, 16), 1, 1);
  EXPECT_TRUE(fs::is_directory(Path()));
  ASSERT_EQ(capture.Entries().size(), 2u);
  EXPECT_EQ(capture.Entries()[0].severity, L"ERROR");
  EXPECT_EQ(capture.Entries()[0].message, L"UserInfo Update NG [" + WidePath() + L"]");
  EXPECT_EQ(capture.Entries()[1].severity, L"ERROR");
  EXPECT_EQ(capture.Entries()[1].message, L"Set Notification Date NG [" + WidePath() + L"]");
}

TEST_F(UserInfoFile, TheUserPathIsExpandedAndLoggedAsTheSystemNamesIt) {
  corvane_test::ScopedEnv dataHome("XDG_DATA_HOME", (folder.path() / "data").string());
  // The program's own form, "\" separators after the data folder.
  std::wstring given = Velunor::Quillon::Common::GetUserInfoFilePath();
  DebugOutputCapture capture;
  CUserInfoFile file(given);
  file.SetNotificationDate(DateTime(2016, 3, 16, 8, 0), 1, 0);
  const fs::path written = folder.path() / "data/Hoxa/Zembrolite/userinfo.xml";
  EXPECT_TRUE(fs::is_regular_file(written));
  ASSERT_EQ(capture.Entries().size(), 1u);
  EXPECT_EQ(capture.Entries()[0].message, L"Set Notification Date OK [" + platform::Utf8ToWide(written.string()) + L"]");
  DateTime date;
  int count = 0, show = 0;
  EXPECT_EQ(file.GetNotificationDate(date, count, show), 1);
}
