// Each windowed program started where there is no display to show windows on: it ends
// at once with status 1 and one line on stderr, and never runs unseen.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "tests/desktop/DesktopSandbox.h"

namespace desktop_test {
namespace {

TEST(NoDisplay, EachWindowedProgramEndsWithOneAndSaysWhy) {
  struct Program {
    const char* name;
    const char* path;
    const char* arguments;
  } programs[] = {
      {"CorvaneViewer", CORVANE_VIEWER_PATH, ""},
      {"CorvaneTray", CORVANE_TRAY_PATH, ""},
      {"CorvaneReckoner", CORVANE_RECKONER_PATH, " -fd"},
  };
  // No display at all, and a display that nobody serves. The off-screen platform that
  // the tests choose must not be there either.
  const char* displays[] = {"env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", "env -u QT_QPA_PLATFORM DISPLAY=:65000"};
  Installation installation;
  for (const Program& program : programs) {
    installation.AddProgram(program.path, program.name);
    for (const char* display : displays) {
      SCOPED_TRACE(std::string(program.name) + " with " + display);
      const fs::path err = installation.Root() / "stderr.txt";
      const auto started = std::chrono::steady_clock::now();
      std::optional<platform::ChildProcess> run = platform::ChildProcess::Start(
          "/bin/sh", {"-c", std::string("exec ") + display + " CORVANE_ROOT=" + installation.Root().string() + " \"" +
                                (installation.ProgramFolder() / program.name).string() + "\"" + program.arguments +
                                " 2>\"" + err.string() + "\""});
      ASSERT_TRUE(run);
      const bool ended = run->Wait(10000);
      if (!ended) ::kill(static_cast<pid_t>(run->ProcessId()), SIGKILL), run->Wait(5000);
      ASSERT_TRUE(ended) << "still running without a display";
      const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
      RecordProperty(std::string(program.name) + (display == displays[0] ? "_unset" : "_dead") + "_ms",
                     static_cast<int>(took.count()));
      EXPECT_EQ(run->ExitCode(), 1u);
      const std::string message = ReadFile(err);
      EXPECT_EQ(message.rfind(std::string(program.name) + ": no display", 0), 0u) << message;
      EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    }
  }
}

}  // namespace
}  // namespace desktop_test
