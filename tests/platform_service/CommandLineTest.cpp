// The runner's words: what each command line asks for, and which are refused.
#include "platform/service/runner/CommandLine.h"

#include <gtest/gtest.h>

#include <linux/capability.h>

#include <chrono>

namespace {

using platform::ParseRunnerCommandLine;
using platform::RunnerCommand;
using Words = std::vector<std::string>;

TEST(RunnerCommandLine, StartTakesItsOptionsBeforeTheNameAndTheCommandAfterTheDashes) {
  const std::optional<RunnerCommand> plain = ParseRunnerCommandLine({"start", "svc", "--", "prog", "--timeout", "1"});
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->verb, RunnerCommand::Verb::kStart);
  EXPECT_EQ(plain->name, "svc");
  EXPECT_EQ(plain->command, (Words{"prog", "--timeout", "1"})) << "the command's own options are its own";
  EXPECT_EQ(plain->options.startTimeoutSeconds, 90);
  EXPECT_EQ(plain->options.stopTimeoutSeconds, 90);
  EXPECT_EQ(plain->options.restartDelay, std::chrono::seconds(5)) << "the unit's RestartSec=";
  EXPECT_FALSE(plain->options.acceptNotifyFromAnyProcess);
  EXPECT_FALSE(plain->options.limitNice);

  const std::optional<RunnerCommand> full = ParseRunnerCommandLine(
      {"start", "--timeout", "86400", "--stop-timeout", "1", "--notify-access", "all", "--user", "corvane",
       "--ambient-capabilities", "CAP_NET_RAW,CAP_NET_ADMIN", "--runtime-directory", "corvane", "--limit-nice", "-20",
       "corvan-service", "--", "/opt/CorvaneCollector"});
  ASSERT_TRUE(full);
  EXPECT_EQ(full->name, "corvan-service");
  EXPECT_EQ(full->command, Words{"/opt/CorvaneCollector"});
  EXPECT_EQ(full->options.startTimeoutSeconds, 86400);
  EXPECT_EQ(full->options.stopTimeoutSeconds, 1);
  EXPECT_TRUE(full->options.acceptNotifyFromAnyProcess);
  EXPECT_EQ(full->options.user, "corvane");
  EXPECT_EQ(full->options.capabilities, (std::vector<int>{CAP_NET_RAW, CAP_NET_ADMIN}));
  EXPECT_EQ(full->options.runtimeDirectory, "corvane");
  EXPECT_TRUE(full->options.limitNice);
  EXPECT_EQ(full->options.niceLimit, -20);

  const struct {
    const char* text;
    long milliseconds;
  } delays[] = {{"0", 0}, {"1", 1000}, {"0.25", 250}, {"2.5", 2500}, {"0.001", 1}, {"86400", 86400000}};
  for (const auto& delay : delays) {
    const std::optional<RunnerCommand> parsed =
        ParseRunnerCommandLine({"start", "--restart-sec", delay.text, "svc", "--", "prog"});
    ASSERT_TRUE(parsed) << delay.text;
    EXPECT_EQ(parsed->options.restartDelay.count(), delay.milliseconds) << delay.text;
  }

  for (const char* verb : {"stop", "status"}) {
    const std::optional<RunnerCommand> other = ParseRunnerCommandLine({verb, "svc"});
    ASSERT_TRUE(other) << verb;
    EXPECT_EQ(other->verb, std::string(verb) == "stop" ? RunnerCommand::Verb::kStop : RunnerCommand::Verb::kStatus);
    EXPECT_EQ(other->name, "svc");
  }
}

TEST(RunnerCommandLine, RefusesWhatItDoesNotKnow) {
  const Words refused[] = {
      {},
      {"start"},
      {"stop"},
      {"stop", "svc", "more"},
      {"restart", "svc"},
      {"start", "svc", "prog"},
      {"start", "svc", "--"},
      {"start", "--timeout", "svc", "--", "prog"},
      {"start", "--timeout", "0", "svc", "--", "prog"},
      {"start", "--timeout", "86401", "svc", "--", "prog"},
      {"start", "--stop-timeout", "5s", "svc", "--", "prog"},
      {"start", "--restart-sec", "5s", "svc", "--", "prog"},
      {"start", "--restart-sec", "-1", "svc", "--", "prog"},
      {"start", "--restart-sec", "0.0001", "svc", "--", "prog"},
      {"start", "--restart-sec", "1.", "svc", "--", "prog"},
      {"start", "--restart-sec", ".5", "svc", "--", "prog"},
      {"start", "--restart-sec", "86400.001", "svc", "--", "prog"},
      {"start", "--restart-sec", "", "svc", "--", "prog"},
      {"start", "--notify-access", "main", "svc", "--", "prog"},
      {"start", "--user", "", "svc", "--", "prog"},
      {"start", "--user", "u", "--ambient-capabilities", "CAP_SYS_ADMIN", "svc", "--", "prog"},
      {"start", "--user", "u", "--ambient-capabilities", "CAP_NET_RAW,", "svc", "--", "prog"},
      {"start", "--ambient-capabilities", "CAP_NET_RAW", "svc", "--", "prog"},
      {"start", "--runtime-directory", "../etc", "svc", "--", "prog"},
      {"start", "--limit-nice", "-21", "svc", "--", "prog"},
      {"start", "--limit-nice", "20", "svc", "--", "prog"},
      {"start", "--verbose", "yes", "svc", "--", "prog"},
  };
  for (const Words& words : refused) {
    std::string line;
    for (const std::string& word : words) line += "[" + word + "]";
    EXPECT_FALSE(ParseRunnerCommandLine(words)) << line;
  }
}

}  // namespace
