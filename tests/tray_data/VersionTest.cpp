// Version values (parsing, text ordering) and the reading of version.xml bodies.
#include <gtest/gtest.h>

#include <cwchar>

#include "common/ConfigSettings.h"

#include "tests/tray_data/TrayDataSupport.h"
#include "tray/VersionFile.h"
#include "tray/VersionNumber.h"

using Velunor::Quillon::Resident::CVersionFile;
using Velunor::Quillon::Resident::CVersionNumber;
using tray_data_test::DebugOutputCapture;
using tray_data_test::Version;

TEST(VersionNumber, ParsesTheFirstThreeDottedPieces) {
  struct Case {
    const wchar_t* text;
    int result;
    const wchar_t* major;
    const wchar_t* minor;
    const wchar_t* build;
  } cases[] = {
      {L"1.0.3", 1, L"1", L"0", L"3"},
      {L"1.0.3.7", 1, L"1", L"0", L"3"},
      {L"...", 1, L"", L"", L""},
      {L"1..3", 1, L"1", L"", L"3"},
      {L"1.2.", 1, L"1", L"2", L""},
      {L" 1.a.β", 1, L" 1", L"a", L"β"},
      {L"1.0", 0, nullptr, nullptr, nullptr},
      {L"103", 0, nullptr, nullptr, nullptr},
      {L".", 0, nullptr, nullptr, nullptr},
      {L"", 0, nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text, c.text + std::wcslen(c.text)));
    CVersionNumber version;
    ASSERT_EQ(version.Parse(c.text), c.result);
    if (c.result != 1) continue;
    EXPECT_EQ(version.GetMajor(), c.major);
    EXPECT_EQ(version.GetMinor(), c.minor);
    EXPECT_EQ(version.GetBuild(), c.build);
  }
}

TEST(VersionNumber, OrdersPartsAsTextNotAsNumbers) {
  struct Case {
    const wchar_t* installed;
    const wchar_t* latest;
    bool installedIsLess;
    bool equal;
  } cases[] = {
      // The update check offers an update only when installed < latest.
      {L"1.9.0", L"1.10.0", false, false},
      {L"1.0.9", L"1.0.10", false, false},
      {L"9.0.0", L"10.0.0", false, false},
      {L"1.0.3", L"1.0.4", true, false},
      {L"1.0.4", L"1.0.3", false, false},
      {L"1.0.01", L"1.0.1", true, false},
      {L"1.0.1", L"1.0.10", true, false},  // a proper prefix is the lesser
      {L"1..0", L"1.0.0", true, false},
      {L"1.2.3", L"1.2.3", false, true},
      {L"2.0.0", L"1.9.9", false, false},
      // Text order is that of UTF-16 code units: a character above U+FFFF (a surrogate
      // pair) orders before U+FFFD although its code point is larger.
      {L"1.0.\U0001F600", L"1.0.\uFFFD", true, false},
  };
  for (const Case& c : cases) {
    std::wstring installedText = c.installed;
    std::wstring latestText = c.latest;
    SCOPED_TRACE(std::string(installedText.begin(), installedText.end()) + " vs " +
                 std::string(latestText.begin(), latestText.end()));
    CVersionNumber installed = Version(installedText);
    CVersionNumber latest = Version(latestText);
    EXPECT_EQ(installed < latest, c.installedIsLess);
    EXPECT_EQ(installed >= latest, !c.installedIsLess);
    EXPECT_EQ(installed == latest, c.equal);
    EXPECT_EQ(installed != latest, !c.equal);
    EXPECT_EQ(latest == installed, c.equal);
    if (!c.equal) {
      EXPECT_NE(installed < latest, latest < installed);
    }
  }
}

TEST(VersionNumber, CopiesAreIndependentValues) {
  CVersionNumber original = Version(L"1.2.3");
  CVersionNumber copy(original);
  CVersionNumber assigned;
  assigned = original;
  ASSERT_EQ(original.Parse(L"4.5.6"), 1);
  EXPECT_EQ(copy, Version(L"1.2.3"));
  EXPECT_EQ(assigned, Version(L"1.2.3"));
  EXPECT_EQ(CVersionNumber(), Version(L".."));
}

// The version file logs each step; the lines stay in a sandbox of the test's own.
class VersionFile : public corvane_test::SandboxedTest {};

TEST_F(VersionFile, ReadsTheVersionChildOfAnyRoot) {
  struct Case {
    const char* name;
    std::wstring body;
    int result;
    const wchar_t* version;
    const wchar_t* message;
  } cases[] = {
      {"Standard", L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<version_info><version>1.0.4</version></version_info>",
       1, L"1.0.4", L"Version Check successful"},
      {"OtherRootName", L"<release><version>1.0.4</version></release>", 1, L"1.0.4", L"Version Check successful"},
      {"FirstVersionChildCounts", L"<v><version>2.0.0</version><version>3.0.0</version></v>", 1, L"2.0.0",
       L"Version Check successful"},
      {"MorePartsAccepted", L"<v><version>1.0.4.99</version></v>", 1, L"1.0.4", L"Version Check successful"},
      {"OtherContentIgnored", L"<v a=\"1\"><!-- c --><note>x</note><version>5.6.7</version></v>", 1, L"5.6.7",
       L"Version Check successful"},
      {"NotADirectChild", L"<version_info><latest><version>1.0.4</version></latest></version_info>", 0, nullptr,
       L"Version Check invlid version element xml"},
      {"RootOnly", L"<version_info/>", 0, nullptr, L"Version Check invlid version element xml"},
      {"Empty", L"", 0, nullptr, L"Version Check invlid root xml"},
      {"PlainText", L"version 1.0.4", 0, nullptr, L"Version Check invlid root xml"},
      {"ErrorPage", L"404 Not Found", 0, nullptr, L"Version Check invlid root xml"},
      {"TwoParts", L"<v><version>1.0</version></v>", 0, nullptr, L"Version Check invlid version value xml"},
      {"NoDots", L"<v><version>104</version></v>", 0, nullptr, L"Version Check invlid version value xml"},
      {"NoText", L"<v><version/></v>", 0, nullptr, L"Version Check invlid version value xml"},
      {"CaseMatters", L"<v><Version>1.0.4</Version></v>", 0, nullptr, L"Version Check invlid version element xml"},
      // Refused before the library's recursive parser sees it, which would run out of stack.
      {"NestedSixtyThousandDeep", platform::Utf8ToWide(tray_data_test::DeeplyNestedBody(60000)), 0, nullptr,
       L"Version Check invlid root xml"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DebugOutputCapture capture;
    CVersionFile file;
    EXPECT_EQ(file.ParseVersionXml(c.body), c.result);
    if (c.result == 1) {
      EXPECT_EQ(file.GetVersion(), Version(c.version));
    }
    ASSERT_EQ(capture.Entries().size(), 1u);
    EXPECT_EQ(capture.Entries()[0].message, c.message);
    EXPECT_EQ(capture.Entries()[0].severity, L"DEBUG");
    EXPECT_EQ(capture.Entries()[0].function, L"Velunor::Quillon::Resident::CVersionFile::Load");
  }
}

TEST_F(VersionFile, AnAddressThatCannotBeSplitIsAFailedAccess) {
  corvane_test::WriteFile(sandbox.InstallFolder() / "DebugUrlTest.txt", "http://download.example/\nno-address-here\n");
  Velunor::Quillon::Common::LoadDebugUrlTest();
  DebugOutputCapture capture;
  CVersionFile file;
  EXPECT_EQ(file.Load(), 0);
  EXPECT_EQ(capture.Messages(),
            (std::vector<std::wstring>{L"Version Check Start url[no-address-here]", L"Version Check access Failed"}));
}
