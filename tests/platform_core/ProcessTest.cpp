// Starting programs, exit codes, and the shell's "open" with xdg-open replaced by a
// recorder on PATH.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include "platform/core/ChildProcess.h"
#include "platform/core/Shell.h"
#include "tests/TestSandbox.h"

namespace {

using namespace platform;
using corvane_test::ReadFile;
using corvane_test::ScopedEnv;
using corvane_test::TempFolder;
using corvane_test::WriteFile;

void WriteScript(const boost::filesystem::path& path, const std::string& body) {
  WriteFile(path, "#!/bin/sh\n" + body);
  ::chmod(path.c_str(), 0755);
}

// Waits for a file that a detached child writes.
std::string AwaitFile(const boost::filesystem::path& path) {
  for (int i = 0; i < 500; ++i) {
    if (boost::filesystem::exists(path)) {
      std::string text = ReadFile(path);
      if (!text.empty() && text.back() == '\n') return text;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return std::string();
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

TEST(ChildProcess, ExitCodesComeBackAsTheProgramReturnedThem) {
  struct Case {
    const char* script;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"exit 0", 0},
      {"exit 1", 1},
      {"exit 2", 2},
      {"exit 3", 3},
      {"exit 255", 0xFFFFFFFFu},  // main returned -1
      {"exit 254", 0xFFFFFFFEu},
      {"exit 253", 0xFFFFFFFDu},
      {"kill -9 $$", 128 + 9},
  };
  for (const Case& c : cases) {
    std::optional<ChildProcess> child = ChildProcess::Start("/bin/sh", {"-c", c.script});
    ASSERT_TRUE(child) << c.script;
    EXPECT_NE(child->ProcessId(), 0u);
    ASSERT_TRUE(child->Wait());
    EXPECT_EQ(child->ExitCode(), c.expected) << c.script;
    EXPECT_EQ(static_cast<int>(child->ExitCode()) == -1, c.expected == 0xFFFFFFFFu);
    EXPECT_EQ(WIFSIGNALED(child->WaitStatus()), c.expected == 128 + 9) << c.script;
  }
}

TEST(ChildProcess, OutputEnvironmentAndSetUpReachTheProgram) {
  TempFolder folder;
  ScopedEnv replaced("CORVANE_CHILD_REPLACED", "old");
  ChildProcess::StartOptions options;
  options.outputFile = (folder.path() / "output").string();
  options.environment = {"CORVANE_CHILD_ADDED=given", "CORVANE_CHILD_REPLACED=new"};
  // Runs in the child after the redirection, so what it writes lands in the file.
  options.setUp = [](std::string&) {
    const char text[] = "set-up\n";
    const ssize_t ignored = ::write(STDERR_FILENO, text, sizeof(text) - 1);
    (void)ignored;
    return 0;
  };
  for (int run = 0; run < 2; ++run) {
    ChildProcess::StartFailure failure;
    // env itself, as a shell would hide a name given twice.
    std::optional<ChildProcess> child = ChildProcess::Start("/usr/bin/env", {}, options, failure);
    ASSERT_TRUE(child) << failure.reason;
    ASSERT_TRUE(child->Wait());
    EXPECT_EQ(child->ExitCode(), 0u);
  }
  std::istringstream lines(ReadFile(folder.path() / "output"));
  std::string seen;
  for (std::string line; std::getline(lines, line);) {
    if (line == "set-up" || line.rfind("CORVANE_CHILD_", 0) == 0) seen += line + "\n";
  }
  const std::string once = "set-up\nCORVANE_CHILD_ADDED=given\nCORVANE_CHILD_REPLACED=new\n";
  EXPECT_EQ(seen, once + once) << "the file is added to, not replaced";
}

TEST(ChildProcess, AFailedStartSaysWhyAndLeavesNoChild) {
  struct Case {
    const char* name;
    std::string program;
    bool searchPath;
    bool forked;
    int setUpError;
    std::string reason;  // empty: starts
  };
  const Case cases[] = {
      {"missing program", "/nonexistent/program", false, false, 0,
       "cannot start /nonexistent/program: No such file or directory"},
      {"missing program, forked", "/nonexistent/program", false, true, 0,
       "cannot start /nonexistent/program: No such file or directory"},
      {"refused by the set-up", "/bin/true", false, true, EPERM, "cannot drop the capabilities: Operation not permitted"},
      {"bare name", "true", false, false, 0, "cannot start true: No such file or directory"},
      {"bare name, forked", "true", false, true, 0, "cannot start true: No such file or directory"},
      {"bare name on PATH", "true", true, false, 0, ""},
      {"bare name on PATH, forked", "true", true, true, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ChildProcess::StartOptions options;
    options.searchPath = c.searchPath;
    if (c.forked) {
      options.setUp = [&c](std::string& failure) {
        failure = "cannot drop the capabilities";
        return c.setUpError;
      };
    }
    ChildProcess::StartFailure failure;
    std::optional<ChildProcess> child = ChildProcess::Start(c.program, {}, options, failure);
    if (c.reason.empty()) {
      ASSERT_TRUE(child) << failure.reason;
      ASSERT_TRUE(child->Wait());
      EXPECT_EQ(child->ExitCode(), 0u);
    } else {
      EXPECT_FALSE(child);
      EXPECT_TRUE(failure.childMade);
      EXPECT_EQ(failure.reason, c.reason);
    }
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1) << "a child is left to reap";
    EXPECT_EQ(errno, ECHILD);
  }
}

TEST(ChildProcess, OnlyTheStandardDescriptorsReachTheProgram) {
  const int inherited = 57;
  ASSERT_EQ(::dup2(STDIN_FILENO, inherited), inherited);  // without close-on-exec
  for (bool forked : {false, true}) {
    SCOPED_TRACE(forked ? "forked" : "spawned");
    ChildProcess::StartOptions options;
    if (forked) options.setUp = [](std::string&) { return 0; };
    ChildProcess::StartFailure failure;
    std::optional<ChildProcess> child =
        ChildProcess::Start("/bin/sh", {"-c", "[ ! -e /proc/self/fd/57 ] && [ -e /proc/self/fd/2 ]"}, options, failure);
    ASSERT_TRUE(child) << failure.reason;
    ASSERT_TRUE(child->Wait());
    EXPECT_EQ(child->ExitCode(), 0u);
  }
  ::close(inherited);
}

TEST(ChildProcess, CommandLineFindsTheProgramWithoutExeAndPassesArguments) {
  TempFolder folder;
  boost::filesystem::path spaced = folder.path() / "Program Files" / "Hoxa";
  boost::filesystem::create_directories(spaced);
  WriteScript(spaced / "Tool", "echo \"$@\" > \"$(dirname \"$0\")/args.txt\"\nexit 3\n");

  // Unquoted, with blanks in the folder and the ".exe" the programs name.
  std::wstring commandLine = Wide((spaced / "Tool.exe").string()) + L" -fd";
  std::optional<ChildProcess> child = ChildProcess::Start(commandLine);
  ASSERT_TRUE(child);
  ASSERT_TRUE(child->Wait());
  EXPECT_EQ(child->ExitCode(), 3u);
  EXPECT_EQ(ReadFile(spaced / "args.txt"), "-fd\n");

  // Windows separators are turned round.
  std::wstring backslashed = Wide((spaced / "Tool.exe").string());
  std::replace(backslashed.begin(), backslashed.end(), L'/', L'\\');
  child = ChildProcess::Start(L"\"" + backslashed + L"\" a \"b c\"");
  ASSERT_TRUE(child);
  ASSERT_TRUE(child->Wait());
  EXPECT_EQ(ReadFile(spaced / "args.txt"), "a b c\n");

  EXPECT_FALSE(ChildProcess::Start(Wide((folder.path() / "Missing.exe").string())));
  EXPECT_FALSE(ChildProcess::Start(L""));
  WriteFile(folder.path() / "NotExecutable", "plain\n");
  EXPECT_FALSE(ChildProcess::Start(Wide((folder.path() / "NotExecutable").string())));
}

TEST(ChildProcess, WaitWithTimeoutReturnsWhileTheChildRuns) {
  std::optional<ChildProcess> child = ChildProcess::Start("/bin/sleep", {"5"});
  ASSERT_TRUE(child);
  auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(child->Wait(50));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
  EXPECT_FALSE(child->HasEnded());
  ::kill(static_cast<pid_t>(child->ProcessId()), SIGTERM);
  ASSERT_TRUE(child->Wait());
  EXPECT_EQ(child->ExitCode(), 128u + SIGTERM);
}

TEST(ChildProcess, ArgumentTextJoinsWithBlanks) {
  char program[] = "viewer";
  char first[] = "-PreviousMonth";
  char second[] = "two words";
  char* only[] = {program, first, nullptr};
  char* both[] = {program, first, second, nullptr};
  char* none[] = {program, nullptr};
  EXPECT_EQ(JoinArguments(2, only), L"-PreviousMonth");
  EXPECT_EQ(JoinArguments(3, both), L"-PreviousMonth \"two words\"");
  EXPECT_EQ(JoinArguments(1, none), L"");
}

class ShellOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    boost::filesystem::create_directories(bin());
    WriteScript(bin() / "xdg-open", "printf '%s\\n' \"$@\" > \"" + (folder.path() / "opened.txt").string() + ".tmp\"\nmv \"" +
                                        (folder.path() / "opened.txt").string() + ".tmp\" \"" +
                                        (folder.path() / "opened.txt").string() + "\"\n");
    const char* oldPath = std::getenv("PATH");
    path = std::make_unique<ScopedEnv>("PATH", bin().string() + ":" + (oldPath != nullptr ? oldPath : "/usr/bin:/bin"));
  }
  boost::filesystem::path bin() const { return folder.path() / "bin"; }
  boost::filesystem::path opened() const { return folder.path() / "opened.txt"; }

  TempFolder folder;
  std::unique_ptr<ScopedEnv> path;
};

TEST_F(ShellOpenTest, UrlsGoToXdgOpenUnchanged) {
  const std::wstring url = L"https://www.example.test/compare/?pm_traffic=1&lm_price=2,980&line_id=ソラネ";
  ASSERT_TRUE(ShellOpen(url));
  EXPECT_EQ(AwaitFile(opened()), "https://www.example.test/compare/?pm_traffic=1&lm_price=2,980&line_id=ソラネ\n");
}

TEST_F(ShellOpenTest, DocumentsGoToXdgOpenAndProgramsStartThemselves) {
  WriteFile(folder.path() / "readme.txt", "text\n");
  ASSERT_TRUE(ShellOpen(Wide((folder.path() / "readme.txt").string())));
  EXPECT_EQ(AwaitFile(opened()), (folder.path() / "readme.txt").string() + "\n");
  boost::filesystem::remove(opened());

  // A program (reached through a link, as an uninstaller shortcut is) runs with the
  // parameters, without xdg-open.
  WriteScript(folder.path() / "Viewer", "echo \"$@\" > \"" + (folder.path() / "viewer.txt").string() + "\"\n");
  boost::filesystem::create_symlink(folder.path() / "Viewer", folder.path() / "uninstall.lnk");
  ASSERT_TRUE(ShellOpen(Wide((folder.path() / "Viewer.exe").string()), L"-PreviousMonth"));
  EXPECT_EQ(AwaitFile(folder.path() / "viewer.txt"), "-PreviousMonth\n");
  boost::filesystem::remove(folder.path() / "viewer.txt");
  ASSERT_TRUE(ShellOpen(Wide((folder.path() / "uninstall.lnk").string())));
  EXPECT_EQ(AwaitFile(folder.path() / "viewer.txt"), "\n");
  EXPECT_FALSE(boost::filesystem::exists(opened()));

  EXPECT_FALSE(ShellOpen(Wide((folder.path() / "missing.txt").string())));
  EXPECT_FALSE(ShellOpen(L""));
}

}  // namespace
