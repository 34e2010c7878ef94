#pragma once
// The runner's command line:
//   corvane-service-runner start [--timeout S] [--stop-timeout S] [--restart-sec S] [--notify-access all]
//                               [--user NAME [--ambient-capabilities CAP[,CAP...]]]
//                               [--runtime-directory NAME] [--limit-nice N] <name> -- <command...>
//   corvane-service-runner stop <name>
//   corvane-service-runner status <name>
// Names are checked by the commands themselves, which answer a bad one with a usage line
// of their own.
#include <optional>
#include <string>
#include <vector>

#include "platform/service/runner/ServiceRunner.h"

namespace platform {

struct RunnerCommand {
  enum class Verb { kStart, kStop, kStatus };
  Verb verb = Verb::kStart;
  std::string name;
  // For start only.
  std::vector<std::string> command;
  ServiceRunner::StartOptions options;
};

// The words after the program's name; nothing when they are no command of the runner.
std::optional<RunnerCommand> ParseRunnerCommandLine(const std::vector<std::string>& arguments);

// What the runner prints when the command line is nothing it knows.
extern const char kRunnerUsage[];

}  // namespace platform
