#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "common/PathUtil.h"
#include "tests/TestSandbox.h"

using namespace Velunor::Quillon::Common;
using corvane_test::ScopedEnv;

TEST(PathUtil, ExpandPath) {
  ScopedEnv root("CORVANE_ROOT", "/sandbox");
  ScopedEnv home("HOME", "/home/u");
  ScopedEnv tmp("TMPDIR", "/scratch/");
  ScopedEnv a("CORVANE_A", "alpha");
  ScopedEnv b("CORVANE_B", "c:\\dir\\\\");
  unsetenv("XDG_DATA_HOME");
  unsetenv("CORVANE_UNSET");
  struct Case {
    std::wstring in, out;
  } cases[] = {
      {L"/plain/path\\file.xml", L"/plain/path\\file.xml"},
      {L"%temp%\\file.txt", L"/scratch\\file.txt"},
      {L"%CSIDL_APPDATA%\\Folder", L"/home/u/.local/share\\Folder"},
      {L"%csidl_appdata%\\Folder", L"/home/u/.local/share\\Folder"},
      {L"%CSIDL_COMMON_APPDATA%\\Hoxa", L"/sandbox/var/lib\\Hoxa"},
      {L"%CSIDL_NOT_A_FOLDER%\\x", L"\\x"},
      {L"%CORVANE_UNSET%\\x", L"%CORVANE_UNSET%\\x"},
      {L"%ProgramFiles(x86)%\\x", L"%ProgramFiles(x86)%\\x"},
      {L"%CORVANE_A%/%CORVANE_A%", L"alpha/alpha"},
      {L"%corvane_a%-%CORVANE_A%", L"alpha-alpha"},
      {L"%CORVANE_B%x", L"c:\\dir\\x"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandPath(c.in), c.out);
}

TEST(PathUtil, DataPaths) {
  ScopedEnv root("CORVANE_ROOT", "/sandbox");
  ScopedEnv home("HOME", "/home/u");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(std::wstring(kDataFolderName), L"Hoxa\\Zembrolite");
  EXPECT_EQ(GetCommonAppDataFolder(), L"/sandbox/var/lib\\");
  EXPECT_EQ(GetLogFolder(), L"/sandbox/var/lib\\Hoxa\\Zembrolite\\Log\\");
  EXPECT_EQ(GetSummaryDataFilePath(), L"/sandbox/var/lib\\Hoxa\\Zembrolite\\summarydata.xml");
  EXPECT_EQ(GetSysInfoFilePath(), L"/sandbox/var/lib\\Hoxa\\Zembrolite\\sysinfo.xml");
  EXPECT_EQ(GetUserInfoFilePath(), L"/home/u/.local/share\\Hoxa\\Zembrolite\\userinfo.xml");

  // A folder that does not fit the query's buffer counts as not found.
  ScopedEnv longRoot("CORVANE_ROOT", "/" + std::string(300, 'r'));
  EXPECT_EQ(GetSummaryDataFilePath(), L"\\Hoxa\\Zembrolite\\summarydata.xml");
  unsetenv("HOME");
  EXPECT_EQ(GetAppDataFolder(), L"\\");
}

TEST(PathUtil, ConcurrentFirstUseOfTheFolderMap) {
  ScopedEnv root("CORVANE_ROOT", "/sandbox");
  std::vector<std::thread> threads;
  std::vector<std::wstring> results(8);
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&results, i] { results[i] = GetCsidlFolder(L"%CSIDL_PROGRAM_FILES%"); });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& result : results) EXPECT_EQ(result, L"/sandbox/opt");
}
