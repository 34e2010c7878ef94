#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/service/ManualResetEvent.h"
#include "platform/service/Priority.h"

namespace {

using namespace platform;

TEST(ManualResetEvent, StaysSetForEveryWaiterUntilReset) {
  ManualResetEvent event;
  EXPECT_EQ(event.Wait(1), kWaitTimeout);
  std::uint32_t first = kWaitFailed, second = kWaitFailed;
  std::thread waiterA([&] { first = event.Wait(kInfiniteWait); });
  std::thread waiterB([&] { second = event.Wait(kInfiniteWait); });
  event.Set();
  waiterA.join();
  waiterB.join();
  EXPECT_EQ(first, kWaitObject0);
  EXPECT_EQ(second, kWaitObject0);
  EXPECT_EQ(event.Wait(0), kWaitObject0);
  event.Reset();
  EXPECT_FALSE(event.IsSet());
  EXPECT_EQ(event.Wait(0), kWaitTimeout);
}

TEST(Priority, LoweringIsExactAndRaisingNeverFailsOrLowers) {
  std::thread([] {
    EXPECT_TRUE(SetCurrentThreadPriority(kThreadPriorityIdle));
    EXPECT_EQ(CurrentThreadNiceValue(), 19);
  }).join();
  std::thread([] {
    const int start = CurrentThreadNiceValue();
    EXPECT_TRUE(SetCurrentThreadPriority(kThreadPriorityHighest));
    EXPECT_LE(CurrentThreadNiceValue(), start);
  }).join();
  EXPECT_FALSE(SetCurrentThreadPriority(7));
  EXPECT_FALSE(SetProcessPriorityClass(0x1234));
}

// Runs body in a child that has no right to raise priorities beyond what an RLIMIT_NICE
// of softLimit allows, starting at nice 5; the child's exit status is body's result, 42
// when the child cannot be set up like that here.
int InUnprivilegedChild(rlim_t softLimit, rlim_t hardLimit, int (*body)()) {
  const pid_t child = fork();
  if (child == 0) {
    rlimit limit{softLimit, hardLimit};
    if (setrlimit(RLIMIT_NICE, &limit) != 0) _exit(42);  // a hard limit rises only with a capability
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(42);
    setpriority(PRIO_PROCESS, 0, 5);
    if (softLimit < 16 && setpriority(PRIO_PROCESS, 0, 4) == 0) _exit(42);  // still privileged
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Priority, AProcessThatMayNotRaiseItselfKeepsItsPriorityWithoutError) {
  const int result = InUnprivilegedChild(0, 0, [] {
    if (!SetProcessPriorityClass(kAboveNormalPriorityClass) || CurrentThreadNiceValue() != 5) return 1;
    if (!SetCurrentThreadPriority(kThreadPriorityHighest) || CurrentThreadNiceValue() != 5) return 2;
    return 0;
  });
  if (result == 42) GTEST_SKIP() << "cannot make a process here that lacks the right to raise priorities";
  EXPECT_EQ(result, 0);
}

TEST(Priority, ALimitedRightToRaiseIsUsedAsFarAsItGoes) {
  // The limit allows nice -5; above normal with the highest thread priority asks for -9.
  const int result = InUnprivilegedChild(25, 25, [] {
    SetProcessPriorityClass(kAboveNormalPriorityClass);
    if (CurrentThreadNiceValue() != -5) return 1;
    SetCurrentThreadPriority(kThreadPriorityHighest);
    return CurrentThreadNiceValue() == -5 ? 0 : 2;
  });
  if (result == 42) GTEST_SKIP() << "RLIMIT_NICE cannot be raised here (no CAP_SYS_RESOURCE)";
  EXPECT_EQ(result, 0);
}

}  // namespace
