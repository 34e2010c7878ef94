// corvane-service-runner start [--timeout S] [--stop-timeout S] [--notify-access all]
//                             [--user NAME [--ambient-capabilities CAP[,CAP...]]]
//                             [--runtime-directory NAME] [--limit-nice N] <name> -- <command...>
// corvane-service-runner stop <name>
// corvane-service-runner status <name>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "platform/service/runner/ServiceRunner.h"
#include "platform/service/runner/ServiceUser.h"

namespace {

int Usage() {
  std::cerr << "usage: corvane-service-runner start [--timeout SECONDS] [--stop-timeout SECONDS]\n"
               "                                    [--notify-access all] [--user NAME]\n"
               "                                    [--ambient-capabilities CAP_NAME[,CAP_NAME...]]\n"
               "                                    [--runtime-directory NAME] [--limit-nice -20..19]\n"
               "                                    <name> -- <command> [arguments...]\n"
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

bool ParseCapabilities(const std::string& text, std::vector<int>& capabilities) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const int number = platform::CapabilityNumber(text.substr(start, comma - start));
    if (number < 0) return false;
    capabilities.push_back(number);
    start = comma + 1;
  }
  return true;
}

bool ParseNice(const char* text, bool& set, int& nice) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (!end || *end != '\0' || value < -20 || value > 19) return false;
  set = true;
  nice = static_cast<int>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // As under systemd, the service and the runner's own files take mask 022 whatever the
  // starting shell's was: a service user could not reach a notify socket in a folder
  // made under 077, and desktop users must be able to read the service's data.
  umask(022);
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
    if (option == "--user" && argv[index + 1][0] != '\0') {
      options.user = argv[index + 1];
      continue;
    }
    if (option == "--ambient-capabilities" && ParseCapabilities(argv[index + 1], options.capabilities)) continue;
    if (option == "--runtime-directory" && platform::ServiceRunner::IsValidName(argv[index + 1])) {
      options.runtimeDirectory = argv[index + 1];
      continue;
    }
    if (option == "--limit-nice" && ParseNice(argv[index + 1], options.limitNice, options.niceLimit)) continue;
    return Usage();
  }
  // Capabilities are what a service user keeps; root keeps them all.
  if (!options.capabilities.empty() && options.user.empty()) return Usage();
  if (index + 2 >= argc || std::strcmp(argv[index + 1], "--") != 0) return Usage();
  const std::string name = argv[index];
  std::vector<std::string> command(argv + index + 2, argv + argc);
  return runner.Start(name, command, options);
}
