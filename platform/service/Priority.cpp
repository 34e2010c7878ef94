#include "platform/service/Priority.h"

#include <dirent.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "platform/core/Process.h"

namespace platform {
namespace {

constexpr int kHighestNice = -20;
constexpr int kLowestNice = 19;

std::atomic<int> g_processClassNice{0};

std::optional<int> ClassNiceValue(std::uint32_t priorityClass) {
  switch (priorityClass) {
    case kIdlePriorityClass: return 19;
    case kBelowNormalPriorityClass: return 10;
    case kNormalPriorityClass: return 0;
    case kAboveNormalPriorityClass: return -5;
    case kHighPriorityClass: return -10;
    case kRealtimePriorityClass: return -20;
    default: return std::nullopt;
  }
}

int NiceOf(long threadId) {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(threadId));
  return errno == 0 ? nice : 0;
}

// The lowest nice value RLIMIT_NICE allows an unprivileged process.
int NiceFloor() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NICE, &limit) != 0) return kLowestNice;
  if (limit.rlim_cur == RLIM_INFINITY) return kHighestNice;
  return std::clamp(20 - static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 40)), kHighestNice, kLowestNice);
}

void SetNiceAsCloseAsAllowed(long threadId, int wanted) {
  wanted = std::clamp(wanted, kHighestNice, kLowestNice);
  const id_t who = static_cast<id_t>(threadId);
  if (setpriority(PRIO_PROCESS, who, wanted) == 0) return;
  const int allowed = std::max(wanted, NiceFloor());
  if (allowed < NiceOf(threadId)) setpriority(PRIO_PROCESS, who, allowed);
}

}  // namespace

bool SetProcessPriorityClass(std::uint32_t priorityClass) {
  const auto nice = ClassNiceValue(priorityClass);
  if (!nice) return false;
  g_processClassNice = *nice;
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) {
    SetNiceAsCloseAsAllowed(CurrentThreadId(), *nice);
    return true;
  }
  while (dirent* entry = readdir(tasks)) {
    const long threadId = std::strtol(entry->d_name, nullptr, 10);
    if (threadId > 0) SetNiceAsCloseAsAllowed(threadId, *nice);
  }
  closedir(tasks);
  return true;
}

bool SetCurrentThreadPriority(int priority) {
  int nice = 0;
  if (priority == kThreadPriorityIdle) {
    nice = kLowestNice;
  } else if (priority == kThreadPriorityTimeCritical) {
    nice = kHighestNice;
  } else if (priority >= kThreadPriorityLowest && priority <= kThreadPriorityHighest) {
    nice = g_processClassNice - 2 * priority;
  } else {
    return false;
  }
  SetNiceAsCloseAsAllowed(CurrentThreadId(), nice);
  return true;
}

int CurrentThreadNiceValue() { return NiceOf(CurrentThreadId()); }

}  // namespace platform
