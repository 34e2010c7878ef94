// corvane-service-runner: start, stop and status of a service where systemd does not
// run the machine (the words in CommandLine.h).
#include <sys/stat.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/service/runner/CommandLine.h"
#include "platform/service/runner/ServiceRunner.h"

int main(int argc, char** argv) {
  // As under systemd, the service and the runner's own files take mask 022 whatever the
  // starting shell's was: a service user could not reach a notify socket in a folder
  // made under 077, and desktop users must be able to read the service's data.
  umask(022);
  std::vector<std::string> arguments;
  for (int index = 1; index < argc; ++index) arguments.emplace_back(argv[index]);
  const std::optional<platform::RunnerCommand> parsed = platform::ParseRunnerCommandLine(arguments);
  if (!parsed) {
    std::cerr << platform::kRunnerUsage;
    return platform::ServiceRunner::kUsage;
  }
  platform::ServiceRunner runner;
  switch (parsed->verb) {
    case platform::RunnerCommand::Verb::kStop:
      return runner.Stop(parsed->name);
    case platform::RunnerCommand::Verb::kStatus:
      return runner.Status(parsed->name);
    case platform::RunnerCommand::Verb::kStart:
      break;
  }
  return runner.Start(parsed->name, parsed->command, parsed->options);
}
