// Runs with LogLevel 4 from the config.ini placed beside this test program.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "common/LogMessage.h"
#include "platform/core/Clock.h"
#include "platform/core/Process.h"
#include "platform/core/TextCodec.h"
#include "tests/DebugOutputCapture.h"
#include "tests/TestSandbox.h"

using namespace Velunor::Quillon::Common::Log;
namespace fs = boost::filesystem;

namespace {

corvane_test::TempFolder* g_root = nullptr;

class LogRootEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_root = new corvane_test::TempFolder();
    setenv("CORVANE_ROOT", g_root->str().c_str(), 1);
  }
  void TearDown() override { delete g_root; }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new LogRootEnvironment);

fs::path LogFolder() { return g_root->path() / "var/lib/Hoxa/Zembrolite/Log"; }

void PinClock(int year, int month, int day, int hour = 9, int minute = 5, int second = 7, int micro = 42999) {
  platform::Clock::Pin(platform::MakeLocalTime(year, month, day, hour, minute, second, micro));
}

std::string Utf16(const std::wstring& text) { return platform::WideToUtf16LeBytes(text); }

class LogWriter : public ::testing::Test {
 protected:
  void SetUp() override { fs::remove_all(LogFolder()); }
  void TearDown() override { platform::Clock::Unpin(); }
  corvane_test::DebugOutputCapture capture;
};

}  // namespace

TEST_F(LogWriter, WritesTheExactLineAfterAByteOrderMark) {
  PinClock(2016, 3, 16);
  WriteLog(L"Velunor::Quillon::Resident::CGetHttpFile::Request", 235, L"InternetReadFile ERROR code[12002]", kError);
  const std::wstring expected = L"[2016-03-16 09:05:07.042] [ERROR] " + std::to_wstring(platform::CurrentThreadId()) +
                                L" [ Velunor::Quillon::Resident::CGetHttpFile::Request, 235 ] "
                                L"InternetReadFile ERROR code[12002]\r\n";
  EXPECT_EQ(corvane_test::ReadFile(LogFolder() / "20160316.log"), std::string("\xFF\xFE", 2) + Utf16(expected));
  // Only log lines; the settings also report the program folder there.
  const std::vector<std::wstring> debugLines = capture.Lines();
  ASSERT_EQ(debugLines.size(), 1u);
  EXPECT_EQ(debugLines[0], expected);
}

TEST_F(LogWriter, GatesSeveritiesAndKeepsPercentSignsLiteral) {
  PinClock(2016, 3, 17);
  const int severities[] = {kError, kInfo, kDebug, kWarning, 8, -1};
  for (int severity : severities) WriteLog(L"F", 1, L"100% %s %d", severity);
  const std::vector<std::wstring> debugLines = capture.Lines();
  ASSERT_EQ(debugLines.size(), 3u);  // only 3, 6 and 7 are written at all
  EXPECT_NE(debugLines[0].find(L"[ERROR]"), std::wstring::npos);
  EXPECT_NE(debugLines[1].find(L"[INFO]"), std::wstring::npos);
  EXPECT_NE(debugLines[2].find(L"[DEBUG]"), std::wstring::npos);
  EXPECT_NE(debugLines[0].find(L"[ F, 1 ] 100% %s %d\r\n"), std::wstring::npos);

  for (int n : {-1, 8, 100}) EXPECT_EQ(CLogMessage::GetLevelName(n), L"UNKNOWN");
  EXPECT_EQ(CLogMessage::GetLevelName(0), L"EMERGENCY");
  EXPECT_EQ(CLogMessage::GetLevelName(4), L"WARNING");
}

TEST_F(LogWriter, DayFileRemovedDuringTheDayStartsAgainWithItsMark) {
  PinClock(2016, 3, 18);
  WriteLog(L"F", 1, L"first", kInfo);
  fs::remove(LogFolder() / "20160318.log");
  WriteLog(L"F", 2, L"second", kInfo);
  const std::string bytes = corvane_test::ReadFile(LogFolder() / "20160318.log");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
  EXPECT_NE(bytes.find(Utf16(L"second")), std::string::npos);
  EXPECT_EQ(bytes.find(Utf16(L"first")), std::string::npos);
}

TEST_F(LogWriter, KeepsTodayAndTheSixDaysBefore) {
  PinClock(2016, 3, 2);
  fs::create_directories(LogFolder() / "20160201.log");  // a directory stays
  const char* files[] = {"20160224.log", "20160225.log", "20160301.log", "abc.log",
                         "x.log.log",    "20160201.LOG", "20160201.txt"};
  for (const char* name : files) corvane_test::WriteFile(LogFolder() / name, "old");
  WriteLog(L"F", 1, L"purge", kInfo);
  struct Expect {
    const char* name;
    bool remains;
  } expectations[] = {
      {"20160224.log", false},  // seventh day back
      {"20160225.log", true},   {"20160301.log", true}, {"20160302.log", true}, {"abc.log", false},
      {"x.log.log", true},      {"20160201.LOG", true}, {"20160201.txt", true}, {"20160201.log", true},
  };
  for (const auto& e : expectations) EXPECT_EQ(fs::exists(LogFolder() / e.name), e.remains) << e.name;
}

TEST_F(LogWriter, LinesOfConcurrentThreadsNeverInterleave) {
  PinClock(2016, 3, 19);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 100; ++i) WriteLog(L"F", i, std::wstring(100, static_cast<wchar_t>(L'a' + t)), kInfo);
    });
  }
  for (auto& thread : threads) thread.join();
  const std::string bytes = corvane_test::ReadFile(LogFolder() / "20160319.log");
  ASSERT_GT(bytes.size(), 2u);
  std::wstring text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
  }
  int lines = 0;
  std::size_t position = 0;
  while (position < text.size()) {
    const auto end = text.find(L"\r\n", position);
    ASSERT_NE(end, std::wstring::npos);
    const std::wstring line = text.substr(position, end - position);
    const wchar_t letter = line.back();
    EXPECT_EQ(line.substr(line.size() - 100), std::wstring(100, letter));
    position = end + 2;
    ++lines;
  }
  EXPECT_EQ(lines, 400);
}
