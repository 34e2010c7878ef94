#include "platform/service/runner/CommandLine.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "platform/service/runner/ServiceUser.h"

namespace platform {
namespace {

bool ParseSeconds(const std::string& text, int& seconds) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (!end || *end != '\0' || value <= 0 || value > 86400) return false;
  seconds = static_cast<int>(value);
  return true;
}

// Seconds with up to three decimals ("5", "0.25"), 0 to 86400.
bool ParseDelay(const std::string& text, std::chrono::milliseconds& delay) {
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
  const auto digits = [](const std::string& part) {
    return std::all_of(part.begin(), part.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
  };
  if (whole.empty() || whole.size() > 5 || !digits(whole) || !digits(fraction) || fraction.size() > 3) return false;
  if (point != std::string::npos && fraction.empty()) return false;
  const long milliseconds = std::stol(whole) * 1000 + std::stol((fraction + "000").substr(0, 3));
  if (milliseconds > 86400L * 1000) return false;
  delay = std::chrono::milliseconds(milliseconds);
  return true;
}

bool ParseCapabilities(const std::string& text, std::vector<int>& capabilities) {
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const int number = CapabilityNumber(text.substr(start, comma - start));
    if (number < 0) return false;
    capabilities.push_back(number);
    start = comma + 1;
  }
  return true;
}

bool ParseNice(const std::string& text, bool& set, int& nice) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (!end || *end != '\0' || value < -20 || value > 19) return false;
  set = true;
  nice = static_cast<int>(value);
  return true;
}

bool ParseOption(const std::string& option, const std::string& value, ServiceRunner::StartOptions& options) {
  if (option == "--timeout") return ParseSeconds(value, options.startTimeoutSeconds);
  if (option == "--stop-timeout") return ParseSeconds(value, options.stopTimeoutSeconds);
  if (option == "--restart-sec") return ParseDelay(value, options.restartDelay);
  if (option == "--notify-access" && value == "all") {
    options.acceptNotifyFromAnyProcess = true;
    return true;
  }
  if (option == "--user" && !value.empty()) {
    options.user = value;
    return true;
  }
  if (option == "--ambient-capabilities") return ParseCapabilities(value, options.capabilities);
  if (option == "--runtime-directory" && ServiceRunner::IsValidName(value)) {
    options.runtimeDirectory = value;
    return true;
  }
  if (option == "--limit-nice") return ParseNice(value, options.limitNice, options.niceLimit);
  return false;
}

}  // namespace

const char kRunnerUsage[] =
    "usage: corvane-service-runner start [--timeout SECONDS] [--stop-timeout SECONDS]\n"
    "                                    [--restart-sec SECONDS]\n"
    "                                    [--notify-access all] [--user NAME]\n"
    "                                    [--ambient-capabilities CAP_NAME[,CAP_NAME...]]\n"
    "                                    [--runtime-directory NAME] [--limit-nice -20..19]\n"
    "                                    <name> -- <command> [arguments...]\n"
    "       corvane-service-runner stop <name>\n"
    "       corvane-service-runner status <name>\n";

std::optional<RunnerCommand> ParseRunnerCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.size() < 2) return std::nullopt;
  RunnerCommand parsed;
  const std::string& verb = arguments[0];
  if ((verb == "stop" || verb == "status") && arguments.size() == 2) {
    parsed.verb = verb == "stop" ? RunnerCommand::Verb::kStop : RunnerCommand::Verb::kStatus;
    parsed.name = arguments[1];
    return parsed;
  }
  if (verb != "start") return std::nullopt;
  std::size_t index = 1;
  for (; index + 1 < arguments.size() && arguments[index].size() > 2 && arguments[index].compare(0, 2, "--") == 0;
       index += 2) {
    if (!ParseOption(arguments[index], arguments[index + 1], parsed.options)) return std::nullopt;
  }
  // Capabilities are what a service user keeps; root keeps them all.
  if (!parsed.options.capabilities.empty() && parsed.options.user.empty()) return std::nullopt;
  if (index + 2 >= arguments.size() || arguments[index + 1] != "--") return std::nullopt;
  parsed.name = arguments[index];
  parsed.command.assign(arguments.begin() + static_cast<std::ptrdiff_t>(index) + 2, arguments.end());
  return parsed;
}

}  // namespace platform
