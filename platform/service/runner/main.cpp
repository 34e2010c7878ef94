// corvane-service-runner start [--timeout S] [--stop-timeout S] [--notify-access all] <name> -- <command...>
// corvane-service-runner stop <name>
// corvane-service-runner status <name>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "platform/service/runner/ServiceRunner.h"

namespace {

int Usage() {
  std::cerr << "usage: corvane-service-runner start [--timeout SECONDS] [--stop-timeout SECONDS]\n"
               "                                    [--notify-access all] <name> -- <command> [arguments...]\n"
               "       corvane-service-runner stop <name>\n"
               "       corvane-service-runner status <name>\n";
  return platform::ServiceRunner::kUsage;
}

bool ParseSeconds(const char* text, int& seconds) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (!end || *end != '\0' || value <= 0 || value > 86400) return false;
  seconds = static_cast<int>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string verb = argv[1];
  platform::ServiceRunner runner;
  if (verb == "stop" && argc == 3) return runner.Stop(argv[2]);
  if (verb == "status" && argc == 3) return runner.Status(argv[2]);
  if (verb != "start") return Usage();

  platform::ServiceRunner::StartOptions options;
  int index = 2;
  for (; index + 1 < argc && std::strncmp(argv[index], "--", 2) == 0 && argv[index][2] != '\0'; index += 2) {
    const std::string option = argv[index];
    if (option == "--timeout" && ParseSeconds(argv[index + 1], options.startTimeoutSeconds)) continue;
    if (option == "--stop-timeout" && ParseSeconds(argv[index + 1], options.stopTimeoutSeconds)) continue;
    if (option == "--notify-access" && std::strcmp(argv[index + 1], "all") == 0) {
      options.acceptNotifyFromAnyProcess = true;
      continue;
    }
    return Usage();
  }
  if (index + 2 >= argc || std::strcmp(argv[index + 1], "--") != 0) return Usage();
  const std::string name = argv[index];
  std::vector<std::string> command(argv + index + 2, argv + argc);
  return runner.Start(name, command, options);
}
