#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "platform/core/AtomicFile.h"
#include "platform/core/Clock.h"
#include "platform/core/DateTime.h"
#include "platform/core/Environment.h"
#include "platform/core/NativePath.h"
#include "platform/core/ProfileReader.h"
#include "platform/core/SpecialFolders.h"
#include "platform/core/TextCodec.h"
#include "tests/TestSandbox.h"

using corvane_test::ScopedEnv;
using corvane_test::TempFolder;
using corvane_test::WriteFile;

TEST(TextCodec, Utf8RoundTripsAndRepairsBadInput) {
  const std::wstring japanese = L"ミルカナ ソラネ　ノルディカ\U0001F600";
  EXPECT_EQ(platform::Utf8ToWide(platform::WideToUtf8(japanese)), japanese);
  EXPECT_EQ(platform::Utf8ToWide("a\xC3"), L"a\xFFFD");            // cut sequence
  EXPECT_EQ(platform::Utf8ToWide("\xC0\xAF"), L"\xFFFD");          // overlong '/'
  EXPECT_EQ(platform::Utf8ToWide("\xED\xA0\x80x"), L"\xFFFDx");    // surrogate
  EXPECT_EQ(platform::WideToUtf8(std::wstring(L"ab\0cd", 5)), "ab");  // stops at NUL
  EXPECT_EQ(platform::LocaleToWide(platform::WideToLocale(japanese)), japanese);  // C.UTF-8 / ASCII locale
}

TEST(TextCodec, Utf16LeBytesUseSurrogatePairs) {
  EXPECT_EQ(platform::WideToUtf16LeBytes(L"A\u3000"), std::string("A\0\x00\x30", 4));
  EXPECT_EQ(platform::WideToUtf16LeBytes(L"\U0001F600"), std::string("\x3D\xD8\x00\xDE", 4));
}

TEST(NativePath, TurnsWindowsFormIntoLinuxPaths) {
  TempFolder root;
  ScopedEnv env("CORVANE_ROOT", root.str());
  const std::wstring r = platform::LocaleToWide(root.str());
  struct Case {
    std::wstring in, out;
  } cases[] = {
      {L"/var/lib\\Hoxa\\Zembrolite\\Log\\", L"/var/lib/Hoxa/Zembrolite/Log/"},
      {L"C:/Program Files/Hoxa/Zembrolite/DebugUrlTest.txt", r + L"/opt/Hoxa/Zembrolite/DebugUrlTest.txt"},
      {L"C:/Program Files (x86)/Hoxa/x.txt", r + L"/opt/Hoxa/x.txt"},
      {L"c:\\PROGRAM FILES\\a", r + L"/opt/a"},
      {L"C:/Program FilesX/a", r + L"/Program FilesX/a"},
      {L"D:\\data\\f", r + L"/data/f"},
      {L"relative\\name", L"relative/name"},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::ToNativePath(c.in), c.out) << platform::WideToUtf8(c.in);
}

TEST(SpecialFolders, MachineFoldersFollowRootUserFoldersFollowHome) {
  ScopedEnv root("CORVANE_ROOT", "/sandbox/");
  ScopedEnv home("HOME", "/home/u");
  ScopedEnv data("XDG_DATA_HOME", "relative-is-ignored");
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(platform::GetSpecialFolderPath(35).value(), L"/sandbox/var/lib");
  EXPECT_EQ(platform::GetSpecialFolderPath(38).value(), L"/sandbox/opt");
  EXPECT_EQ(platform::GetSpecialFolderPath(26).value(), L"/home/u/.local/share");
  EXPECT_EQ(platform::GetSpecialFolderPath(34).value(), L"/home/u/.local/state/history");
  EXPECT_FALSE(platform::GetSpecialFolderPath(99).has_value());
  for (int known : {0, 5, 26, 28, 32, 33, 34, 35, 36, 37, 38, 39, 43, 46, 47, 48}) {
    EXPECT_TRUE(platform::GetSpecialFolderPath(known).has_value()) << known;
  }
  unsetenv("HOME");
  EXPECT_FALSE(platform::GetSpecialFolderPath(26).has_value());
  EXPECT_TRUE(platform::GetSpecialFolderPath(35).has_value());
}

TEST(Environment, ExpandsKnownKeepsUnknownAndRespectsBuffer) {
  ScopedEnv a("CORVANE_TEST_A", "alpha");
  unsetenv("CORVANE_TEST_UNSET");
  EXPECT_EQ(platform::ExpandEnvironmentStrings(L"x%CORVANE_TEST_A%y", 256).value(), L"xalphay");
  EXPECT_EQ(platform::ExpandEnvironmentStrings(L"%CORVANE_TEST_UNSET%", 256).value(), L"%CORVANE_TEST_UNSET%");
  EXPECT_EQ(platform::ExpandEnvironmentStrings(L"50%%CORVANE_TEST_A%", 256).value(), L"50%alpha");
  EXPECT_EQ(platform::ExpandEnvironmentStrings(L"%CORVANE_TEST_A%", 6).value(), L"alpha");
  EXPECT_FALSE(platform::ExpandEnvironmentStrings(L"%CORVANE_TEST_A%", 5).has_value());
}

TEST(ProfileReader, FollowsTheProfileRules) {
  TempFolder folder;
  const auto ini = folder.path() / "config.ini";
  WriteFile(ini,
            "; comment\r\n[Other]\r\nLogLevel=9\r\n[ config ]\r\n  loglevel =  4 \r\nQuoted=\"a b\"\r\n"
            "Empty=\r\n;Hidden=1\r\nLong=" + std::string(300, 'x') + "\r\n");
  const std::wstring path = platform::LocaleToWide(ini.string());
  struct Case {
    const wchar_t *section, *key, *fallback, *expected;
  } cases[] = {
      {L"Config", L"LogLevel", L"0", L"4"},
      {L"CONFIG", L"Quoted", L"", L"a b"},
      {L"Config", L"Empty", L"7", L""},
      {L"Config", L"Hidden", L"d  ", L"d"},  // commented out: default without its trailing blanks
      {L"Config", L"Missing", L"def", L"def"},
      {L"Nowhere", L"LogLevel", L"0", L"0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ReadProfileString(path, c.section, c.key, c.fallback, 255), c.expected) << c.key;
  }
  EXPECT_EQ(platform::ReadProfileString(path, L"Config", L"Long", L"", 255), std::wstring(254, L'x'));
  EXPECT_EQ(platform::ReadProfileString(path + L".missing", L"Config", L"LogLevel", L"0", 255), L"0");

  const auto utf16 = folder.path() / "utf16.ini";
  WriteFile(utf16, std::string("\xFF\xFE", 2) + platform::WideToUtf16LeBytes(L"[Config]\r\nText01=ご案内\r\n"));
  EXPECT_EQ(platform::ReadProfileString(platform::LocaleToWide(utf16.string()), L"Config", L"Text01", L"", 255),
            L"ご案内");
}

TEST(DateTime, AcceptsOnlyRealDatesInRange) {
  struct Case {
    int y, mo, d, h, mi, s;
    bool valid;
  } cases[] = {
      {2016, 2, 29, 0, 0, 0, true},   {2015, 2, 29, 0, 0, 0, false}, {2000, 2, 29, 0, 0, 0, true},
      {1900, 2, 29, 0, 0, 0, false},  {100, 1, 1, 0, 0, 0, true},    {99, 12, 31, 23, 59, 59, false},
      {9999, 12, 31, 23, 59, 59, true}, {10000, 1, 1, 0, 0, 0, false}, {2016, 4, 31, 0, 0, 0, false},
      {2016, 0, 1, 0, 0, 0, false},   {2016, 13, 1, 0, 0, 0, false}, {2016, 1, 0, 0, 0, 0, false},
      {2016, 1, 1, 24, 0, 0, false},  {2016, 1, 1, 0, 60, 0, false}, {2016, 1, 1, 0, 0, 60, false},
      {2016, 1, 1, -1, 0, 0, false},
  };
  for (const auto& c : cases) {
    platform::DateTime value(2020, 1, 1);
    EXPECT_EQ(value.SetDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s), c.valid) << c.y << "-" << c.mo << "-" << c.d;
    EXPECT_EQ(value.IsValid(), c.valid);
  }
}

TEST(DateTime, OrdersAndKnowsMonthLengths) {
  EXPECT_LT(platform::DateTime(2016, 3, 16, 9, 5, 7), platform::DateTime(2016, 3, 16, 9, 5, 8));
  EXPECT_LT(platform::DateTime(2015, 12, 31, 23, 59, 59), platform::DateTime(2016, 1, 1));
  EXPECT_EQ(platform::DateTime(2016, 3, 16), platform::DateTime(2016, 3, 16, 0, 0, 0));
  EXPECT_LT(platform::DateTime(), platform::DateTime(100, 1, 1));
  EXPECT_EQ(platform::DateTime::DaysInMonth(2016, 2), 29);
  EXPECT_EQ(platform::DateTime::DaysInMonth(2016, 13), 0);
}

TEST(Clock, PinnedTimeAdvancesAcrossMonthAndYear) {
  platform::LocalTime t;
  t.year = 2016; t.month = 12; t.day = 31; t.hour = 23; t.minute = 59; t.second = 30; t.microsecond = 42000;
  platform::Clock::Pin(t);
  EXPECT_EQ(platform::DateTime::Now(), platform::DateTime(2016, 12, 31, 23, 59, 30));
  EXPECT_EQ(platform::Clock::Now().microsecond, 42000);
  platform::Clock::Advance(45);
  EXPECT_EQ(platform::DateTime::Now(), platform::DateTime(2017, 1, 1, 0, 0, 15));
  platform::Clock::Advance(86400 * 59);
  EXPECT_EQ(platform::DateTime::Now(), platform::DateTime(2017, 3, 1, 0, 0, 15));
  platform::Clock::Unpin();
  EXPECT_GE(platform::DateTime::Now().GetYear(), 2024);
}

// Where the file system makes no hard link (here: the kernel's protected links refuse a
// link to another user's file), the old file is kept by a copy of its bytes.
TEST(KeepFileAs, WhereNoLinkCanBeMadeTheBytesAreCopied) {
  std::ifstream protectedLinks("/proc/sys/fs/protected_hardlinks");
  int protection = 0;
  if (geteuid() != 0 || !(protectedLinks >> protection) || protection != 1) {
    GTEST_SKIP() << "needs root and protected hard links to make a link fail";
  }
  TempFolder folder;
  const std::string file = (folder.path() / "summary.xml").string();
  const std::string kept = file + ".kept";
  WriteFile(file, "kept bytes");
  ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
  ASSERT_EQ(::chown(folder.path().c_str(), 65534, 65534), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(2);
    bool nameTaken = false;
    std::string error;
    _exit(platform::KeepFileAs(file, kept, nameTaken, error) && !nameTaken ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::ifstream copy(kept, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(copy)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "kept bytes");
  struct stat original {};
  ASSERT_EQ(::stat(file.c_str(), &original), 0);
  EXPECT_EQ(original.st_nlink, 1u) << "linked, not copied";
}
