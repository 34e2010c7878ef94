#include "collector/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace Velunor::Quillon {

namespace {

constexpr int kHighestNice = -20;

}  // namespace

bool RaiseCurrentThreadPriority() {
  // On Linux a nice value belongs to a thread when it is set through the thread id.
  const id_t threadId = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  const int current = getpriority(PRIO_PROCESS, threadId);
  if (current == -1 && errno != 0) {
    return false;
  }
  if (setpriority(PRIO_PROCESS, threadId, kHighestNice) == 0) {
    return true;
  }
  // Without the capability the soft RLIMIT_NICE says how far we may go: 20 - limit.
  rlimit limit{};
  if (getrlimit(RLIMIT_NICE, &limit) != 0) {
    return false;
  }
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > 40) {
    return false;
  }
  const long lowest = 20 - static_cast<long>(limit.rlim_cur);
  if (lowest >= current) {
    return false;
  }
  return setpriority(PRIO_PROCESS, threadId, static_cast<int>(lowest)) == 0;
}

}  // namespace Velunor::Quillon
