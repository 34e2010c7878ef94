#pragma once
// What the runner records about one service, in <name>.state: key=value lines, written
// whole on every change (state, pid, supervisor, supervisor_start, stop_timeout, status,
// errno, result, exit_status, signal, restarts, last_failure). stop and status read it
// from other processes.
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// kAutoRestart: the service failed and waits for its restart.
enum class ServiceState { kStarting, kRunning, kStopping, kStopped, kFailed, kAutoRestart };

// The state's word in the file ("starting", "running", ...).
const char* StateText(ServiceState state);
// Nothing for a word that names no state.
std::optional<ServiceState> ParseState(const std::string& text);
// Stopped or failed: nothing is left running.
bool IsFinal(ServiceState state);

// The lines of a state file; empty when there is none.
using RecordedState = std::map<std::string, std::string>;
RecordedState ReadStateFile(const std::string& path);
// The recorded state; nothing when the file records none or a word of no state.
std::optional<ServiceState> StateOf(const RecordedState& recorded);
// The recorded state is stopped or failed.
bool HasEnded(const RecordedState& recorded);
// A number the file records, fallback when it records none.
long NumberOf(const RecordedState& recorded, const std::string& key, long fallback);
// Whether the supervisor recorded is still the process of that pid (not a later one that
// got the same pid).
bool SupervisorAlive(const RecordedState& recorded);
// How the service ended, in the words of the stop and status lines ("exit status 3").
std::string DescribeEnd(const RecordedState& recorded);

// The supervisor's side: the lines in the order they were first set.
class StateFile {
 public:
  explicit StateFile(std::string path) : m_path(std::move(path)) {}

  void Set(const std::string& key, const std::string& value);
  std::string Get(const std::string& key) const;
  void Erase(const std::string& key);
  RecordedState Recorded() const { return RecordedState(m_entries.begin(), m_entries.end()); }
  void SetState(ServiceState state) { Set("state", StateText(state)); }
  // Records the calling process as the supervisor.
  void SetSupervisor();
  // Replaces the file atomically; a failure leaves the previous record.
  void Save() const;

 private:
  std::string m_path;
  std::vector<std::pair<std::string, std::string>> m_entries;
};

}  // namespace platform
