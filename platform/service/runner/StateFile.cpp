#include "platform/service/runner/StateFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/core/AtomicFile.h"

namespace platform {
namespace {

struct StateName {
  ServiceState state;
  const char* text;
};
constexpr StateName kStateNames[] = {
    {ServiceState::kStarting, "starting"}, {ServiceState::kRunning, "running"},
    {ServiceState::kStopping, "stopping"}, {ServiceState::kStopped, "stopped"},
    {ServiceState::kFailed, "failed"},     {ServiceState::kAutoRestart, "auto-restart"},
};

std::string ValueOf(const RecordedState& recorded, const std::string& key) {
  const auto it = recorded.find(key);
  return it == recorded.end() ? std::string() : it->second;
}

// Start time of a process in clock ticks since boot, "" when it does not exist or has
// ended and waits to be reaped (which the adoptive parent may take its time over).
std::string ProcessStartTime(long pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const auto end = text.rfind(')');
  if (end == std::string::npos) return std::string();
  std::istringstream fields(text.substr(end + 1));
  std::string field;
  // Fields after the name start with field 3, the process state; 22 is the start time.
  for (int index = 3; index <= 22 && fields >> field; ++index) {
    if (index == 3 && (field == "Z" || field == "X")) return std::string();
    if (index == 22) return field;
  }
  return std::string();
}

}  // namespace

const char* StateText(ServiceState state) {
  for (const StateName& name : kStateNames) {
    if (name.state == state) return name.text;
  }
  return "";
}

std::optional<ServiceState> ParseState(const std::string& text) {
  for (const StateName& name : kStateNames) {
    if (text == name.text) return name.state;
  }
  return std::nullopt;
}

bool IsFinal(ServiceState state) { return state == ServiceState::kStopped || state == ServiceState::kFailed; }

RecordedState ReadStateFile(const std::string& path) {
  RecordedState recorded;
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) recorded[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return recorded;
}

std::optional<ServiceState> StateOf(const RecordedState& recorded) { return ParseState(ValueOf(recorded, "state")); }

bool HasEnded(const RecordedState& recorded) {
  const std::optional<ServiceState> state = StateOf(recorded);
  return state && IsFinal(*state);
}

long NumberOf(const RecordedState& recorded, const std::string& key, long fallback) {
  const std::string text = ValueOf(recorded, key);
  if (text.empty()) return fallback;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  return errno == 0 && end && *end == '\0' ? value : fallback;
}

bool SupervisorAlive(const RecordedState& recorded) {
  const long pid = NumberOf(recorded, "supervisor", 0);
  const std::string start = ValueOf(recorded, "supervisor_start");
  return pid > 0 && !start.empty() && ProcessStartTime(pid) == start;
}

std::string DescribeEnd(const RecordedState& recorded) {
  const std::string result = ValueOf(recorded, "result");
  if (result == "exited") return "exit status " + ValueOf(recorded, "exit_status");
  if (result == "killed") return "killed by signal " + ValueOf(recorded, "signal");
  if (result == "spawn-failed") return "could not be started";
  if (result == "start-limit-hit") return "start limit hit";
  return result;
}

void StateFile::Set(const std::string& key, const std::string& value) {
  for (auto& entry : m_entries) {
    if (entry.first == key) {
      entry.second = value;
      return;
    }
  }
  m_entries.emplace_back(key, value);
}

std::string StateFile::Get(const std::string& key) const {
  for (const auto& entry : m_entries) {
    if (entry.first == key) return entry.second;
  }
  return std::string();
}

void StateFile::Erase(const std::string& key) {
  for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry) {
    if (entry->first == key) {
      m_entries.erase(entry);
      return;
    }
  }
}

void StateFile::SetSupervisor() {
  Set("supervisor", std::to_string(getpid()));
  Set("supervisor_start", ProcessStartTime(getpid()));
}

void StateFile::Save() const {
  std::string text;
  for (const auto& entry : m_entries) text += entry.first + "=" + entry.second + "\n";
  // Nobody to tell: the supervisor writes on, and the next save may succeed.
  std::string error;
  ReplaceFileAtomically(m_path, text, error);
}

}  // namespace platform
