// sysinfo.xml: the installed version, the check record and its replacement, and the
// class's silence (no log lines, exception texts only to the debugger output).
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include "common/PathUtil.h"
#include "platform/core/TextCodec.h"
#include "tests/tray_data/TrayDataSupport.h"
#include "tray/SysInfoFile.h"

using platform::DateTime;
using tray_data_test::DebugOutputCapture;
using tray_data_test::kBom;
using tray_data_test::kDeclaration;
using tray_data_test::Lines;
using tray_data_test::Version;
using Velunor::Quillon::Resident::CSysInfoFile;
using Velunor::Quillon::Resident::CVersionNumber;
namespace fs = boost::filesystem;

namespace {

const std::vector<std::string> kCheckRecord = {"    <update_chk>", "        <date>20160316</date>",
                                               "        <version>1.2.0</version>", "    </update_chk>"};

class SysInfoFile : public tray_data_test::StateFileTest {
 protected:
  SysInfoFile() : StateFileTest("sysinfo.xml") {}
  // A check on 16 March 2016 (late in the day) that found 1.2.0.
  int Check() const { return CSysInfoFile(WidePath()).SetUpdateCheck(DateTime(2016, 3, 16, 23, 59, 59), Version(L"1.2.0")); }

  DebugOutputCapture capture;
};

}  // namespace

TEST_F(SysInfoFile, ACheckIsAppendedInTheSavedLayout) {
  Write(std::string(kDeclaration) + "\r\n<system_info>\r\n    <version>1.0.0</version>\r\n</system_info>\r\n");
  EXPECT_EQ(Check(), 1);
  EXPECT_EQ(Read(), Lines({kDeclaration, "<system_info>", "    <version>1.0.0</version>", kCheckRecord[0],
                           kCheckRecord[1], kCheckRecord[2], kCheckRecord[3], "</system_info>"}));

  CSysInfoFile file(WidePath());
  CVersionNumber installed, latest;
  DateTime date;
  ASSERT_EQ(file.GetVersion(installed), 1);
  EXPECT_EQ(installed, Version(L"1.0.0"));
  ASSERT_EQ(file.GetUpdateCheck(date, latest), 1);
  EXPECT_EQ(date, DateTime(2016, 3, 16));  // the time of day is not stored
  EXPECT_EQ(latest, Version(L"1.2.0"));
  EXPECT_TRUE(capture.Entries().empty());
}

TEST_F(SysInfoFile, AWriteReplacesTheCheckRecordAndKeepsTheRest) {
  auto with = [](const std::vector<std::string>& head, const std::vector<std::string>& tail) {
    return Lines(head) + Lines(kCheckRecord) + Lines(tail);
  };
  struct Case {
    const char* name;
    std::string before;
    std::string after;
  } cases[] = {
      {"CheckBeforeVersionMovesAfterIt",
       "<system_info><update_chk><date>20150101</date><version>1.1.0</version></update_chk>"
       "<version>1.0.0</version></system_info>",
       with({"<system_info>", "    <version>1.0.0</version>"}, {"</system_info>"})},
      {"OnlyTheFirstOfTwoChecksIsReplaced",
       "<system_info><update_chk><date>20150101</date></update_chk><update_chk><date>20150202</date></update_chk>"
       "</system_info>",
       with({"<system_info>", "    <update_chk>", "        <date>20150202</date>", "    </update_chk>"},
            {"</system_info>"})},
      {"AnyRootNameAndOtherContent", "<install><version>1.0.0</version><path>/opt</path></install>",
       with({"<install>", "    <version>1.0.0</version>", "    <path>/opt</path>"}, {"</install>"})},
      {"NoDeclarationStaysWithout", "<system_info/>", with({"<system_info>"}, {"</system_info>"})},
      {"DeclarationKeptAsRead", "<?xml version=\"1.0\"?><system_info/>",
       with({"<?xml version=\"1.0\" ?>", "<system_info>"}, {"</system_info>"})},
      {"ByteOrderMarkKept", std::string(kBom) + "<system_info><version>1.0.0</version></system_info>",
       with({std::string(kBom) + "<system_info>", "    <version>1.0.0</version>"}, {"</system_info>"})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(c.before);
    EXPECT_EQ(Check(), 1);
    EXPECT_EQ(Read(), c.after);
  }
  EXPECT_TRUE(capture.Entries().empty());
}

TEST_F(SysInfoFile, AMissingFileIsNeverCreated) {
  CSysInfoFile file(WidePath());
  CVersionNumber version;
  DateTime date;
  EXPECT_EQ(file.GetVersion(version), 0);
  EXPECT_EQ(file.GetUpdateCheck(date, version), 0);
  EXPECT_EQ(Check(), 0);
  EXPECT_FALSE(fs::exists(Path().parent_path()));
  EXPECT_TRUE(capture.Entries().empty());
  EXPECT_TRUE(capture.OtherTexts().empty());
}

TEST_F(SysInfoFile, AFileWithoutARootIsNotRewritten) {
  for (std::string content : {std::string(), std::string("<?xml version=\"1.0\"?>\n"), std::string("<!-- -->\n")}) {
    SCOPED_TRACE(content);
    Write(content);
    EXPECT_EQ(Check(), 0);
    EXPECT_EQ(Read(), content);
  }
  EXPECT_TRUE(capture.Entries().empty());
}

TEST_F(SysInfoFile, ReadingFollowsTheRules) {
  struct Case {
    const char* name;
    std::string content;
    int versionResult;
    int checkResult;
    bool badNumber;  // exception text to the debugger output, still no log line
  } cases[] = {
      {"Complete", "<system_info><version>1.0.0</version><update_chk><date>20160316</date><version>1.2.0</version>"
                   "</update_chk></system_info>",
       1, 1, false},
      {"OtherRootAndOrder", "<x><update_chk><version>1.2.0</version><date>20160316</date></update_chk>"
                            "<version>1.0.0</version></x>",
       1, 1, false},
      {"SevenCharacters", "<s><version>1.0.0</version><update_chk><date>2016031</date><version>1.2.0</version></update_chk></s>",
       1, 0, false},
      {"NineCharacters", "<s><version>1.0.0</version><update_chk><date>201603160</date><version>1.2.0</version></update_chk></s>",
       1, 0, false},
      {"ThirtyFirstOfApril", "<s><update_chk><date>20160431</date><version>1.2.0</version></update_chk></s>", 0, 0, false},
      {"LetterInDate", "<s><update_chk><date>2016O316</date><version>1.2.0</version></update_chk></s>", 0, 0, true},
      {"DateWithoutText", "<s><update_chk><date/><version>1.2.0</version></update_chk></s>", 0, 0, false},
      {"CheckVersionWithoutText", "<s><update_chk><date>20160316</date><version></version></update_chk></s>", 0, 0,
       false},
      {"CheckVersionOfTwoParts", "<s><update_chk><date>20160316</date><version>1.2</version></update_chk></s>", 0, 0,
       false},
      {"InstalledVersionOfTwoParts", "<s><version>1.0</version></s>", 0, 0, false},
      {"InstalledVersionWithoutText", "<s><version/></s>", 0, 0, false},
      {"VersionOnlyInsideTheCheck", "<s><update_chk><date>20160316</date><version>1.2.0</version></update_chk></s>", 0, 1,
       false},
      {"NotXml", "not xml", 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(c.content);
    DebugOutputCapture local;
    CSysInfoFile file(WidePath());
    CVersionNumber version;
    DateTime date;
    EXPECT_EQ(file.GetVersion(version), c.versionResult);
    if (c.versionResult == 1) {
      EXPECT_EQ(version, Version(L"1.0.0"));
    }
    EXPECT_EQ(file.GetUpdateCheck(date, version), c.checkResult);
    if (c.checkResult == 1) {
      EXPECT_EQ(date, DateTime(2016, 3, 16));
      EXPECT_EQ(version, Version(L"1.2.0"));
    }
    EXPECT_TRUE(local.Entries().empty());
    EXPECT_EQ(local.OtherTexts().size(), c.badNumber ? 1u : 0u);
  }
}

TEST_F(SysInfoFile, TheMachinePathIsExpanded) {
  fs::path installed = sandbox.Root() / "var/lib/Hoxa/Zembrolite/sysinfo.xml";
  corvane_test::WriteFile(installed, "<system_info><version>1.0.0</version></system_info>");
  CSysInfoFile file(Velunor::Quillon::Common::GetSysInfoFilePath());
  EXPECT_EQ(file.SetUpdateCheck(DateTime(2016, 3, 16), Version(L"1.2.0")), 1);
  CVersionNumber version;
  DateTime date;
  EXPECT_EQ(file.GetUpdateCheck(date, version), 1);
  EXPECT_NE(corvane_test::ReadFile(installed).find("<date>20160316</date>"), std::string::npos);
}
