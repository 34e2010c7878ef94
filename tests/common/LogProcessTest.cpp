// The log writer as programs use it: from their own folder with their own config.ini,
// two processes writing into one day file.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/core/Clock.h"
#include "tests/TestSandbox.h"

using corvane_test::ScopedEnv;
using corvane_test::TempFolder;
namespace fs = boost::filesystem;

namespace {

struct Installation {
  corvane_test::Sandbox sandbox;
  TempFolder install;
  explicit Installation(const std::string& logLevel) {
    corvane_test::WriteFile(install.path() / "config.ini", "[Config]\nLogLevel=" + logLevel + "\n");
    fs::copy_file(FOUNDATION_PROBE, install.path() / "probe");
  }
  int Run(const std::string& arguments, const std::string& redirect = "") const {
    return std::system(("CORVANE_DEBUG_OUTPUT=1 " + (install.path() / "probe").string() + " " + arguments + redirect).c_str());
  }
  fs::path LogFolder() const { return sandbox.DataFolder() / "Log"; }
  std::string TodayLog() const {
    for (const auto& entry : fs::directory_iterator(LogFolder())) return corvane_test::ReadFile(entry.path());
    return std::string();
  }
};

int CountOf(const std::string& haystack, const std::string& needle) {
  int count = 0;
  for (auto at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
  return count;
}

std::string Utf16(const std::string& ascii) {
  std::string out;
  for (char c : ascii) out += c, out += '\0';
  return out;
}

}  // namespace

// LogLevel gates each severity: ERROR above 0, INFO above 2, DEBUG above 3; a line that
// is not written to the day file does not reach the debugger output either.
TEST(LogProcess, EachLevelWritesTheSeveritiesItsGateLetsThrough) {
  struct Row {
    const char* level;
    bool error, info, debug;
  };
  const Row rows[] = {
      {"0", false, false, false}, {"1", true, false, false}, {"2", true, false, false},
      {"3", true, true, false},   {"4", true, true, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string("LogLevel=") + row.level);
    Installation installation(row.level);
    const auto err = installation.install.path() / "stderr.txt";
    for (const char* arguments : {"log 3 error-line", "log 6 info-line", "log 7 debug-line"}) {
      ASSERT_EQ(installation.Run(arguments, " 2>>" + err.string()), 0);
    }
    const std::string log = fs::exists(installation.LogFolder()) ? installation.TodayLog() : std::string();
    const std::string debugOutput = corvane_test::ReadFile(err);
    const struct {
      const char* tag;
      const char* text;
      bool written;
    } lines[] = {{"[ERROR]", "error-line", row.error}, {"[INFO]", "info-line", row.info},
                 {"[DEBUG]", "debug-line", row.debug}};
    for (const auto& line : lines) {
      EXPECT_EQ(CountOf(log, Utf16(std::string(line.tag) + " ")), line.written ? 1 : 0) << line.text;
      EXPECT_EQ(CountOf(log, Utf16(line.text)), line.written ? 1 : 0) << line.text;
      EXPECT_EQ(CountOf(debugOutput, line.text), line.written ? 1 : 0) << line.text << " in the debugger output";
    }
    if (!row.error) {
      EXPECT_FALSE(fs::exists(installation.LogFolder())) << "nothing written, not even the folder";
    } else {
      EXPECT_EQ(log.substr(0, 2), std::string("\xFF\xFE", 2));
      EXPECT_EQ(CountOf(log, std::string("\xFF\xFE", 2)), 1);
    }
  }
}

TEST(LogProcess, TwoProcessesAppendWholeLines) {
  Installation installation("3");
  const std::string probe = (installation.install.path() / "probe").string();
  ASSERT_EQ(std::system((probe + " log-lines 300 one & " + probe + " log-lines 300 two & wait").c_str()), 0);
  const std::string log = installation.TodayLog();
  EXPECT_EQ(CountOf(log, Utf16("\r\n")), 600);
  EXPECT_EQ(CountOf(log, Utf16("one" + std::string(200, 'x') + "\r\n")), 300);
  EXPECT_EQ(CountOf(log, Utf16("two" + std::string(200, 'x') + "\r\n")), 300);
}

TEST(LogProcess, UnwritableLogFolderLosesTheLineButNotTheCaller) {
  Installation installation("3");
  // A file where the data folder should be: no folder can be made below it, even as root.
  corvane_test::WriteFile(installation.sandbox.DataFolder(), "not a folder");
  const auto err = installation.install.path() / "stderr.txt";
  EXPECT_EQ(installation.Run("log 3 still-reported", " 2>" + err.string()), 0);
  EXPECT_NE(corvane_test::ReadFile(err).find("still-reported"), std::string::npos);
}

TEST(LogProcess, EachKindOfProgramWritesIntoItsOwnFolder) {
  Installation installation("1");
  const fs::path home = installation.sandbox.Home();
  const fs::path state = installation.sandbox.Root() / "state";
  const fs::path machine = installation.LogFolder();
  const fs::path homeLog = home / ".local/state/Hoxa/Zembrolite/Log";
  const fs::path stateLog = state / "Hoxa/Zembrolite/Log";
  // A day file far older than the kept week, in each folder.
  for (const fs::path& folder : {machine, homeLog, stateLog}) corvane_test::WriteFile(folder / "20000101.log", "old");
  struct Case {
    const char* kind;
    const char* stateHome;  // null: XDG_STATE_HOME unset
    fs::path written;       // empty: no folder gets the line
  };
  const Case cases[] = {
      {"machine", nullptr, machine},
      {"user", state.c_str(), stateLog},
      {"user", nullptr, homeLog},
      {"none", nullptr, fs::path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + (c.stateHome != nullptr ? " with XDG_STATE_HOME" : ""));
    std::unique_ptr<ScopedEnv> stateEnv;
    if (c.stateHome != nullptr) {
      stateEnv = std::make_unique<ScopedEnv>("XDG_STATE_HOME", c.stateHome);
    } else {
      unsetenv("XDG_STATE_HOME");
    }
    const std::string tag = std::string("line-of-") + c.kind + (c.stateHome != nullptr ? "-state" : "-home") + "-end";
    const auto err = installation.install.path() / "stderr.txt";
    ASSERT_EQ(installation.Run("log-into " + std::string(c.kind) + " " + tag, " 2>" + err.string()), 0);
    EXPECT_NE(corvane_test::ReadFile(err).find(tag), std::string::npos) << "every line reaches the debugger output";
    for (const fs::path& folder : {machine, homeLog, stateLog}) {
      const bool mine = folder == c.written;
      EXPECT_EQ(corvane_test::ReadLogText(folder).find(tag) != std::string::npos, mine) << folder;
      // Old files go from the program's own folder.
      if (mine) {
        EXPECT_FALSE(fs::exists(folder / "20000101.log")) << folder;
      }
    }
  }
}
