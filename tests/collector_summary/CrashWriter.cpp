// Test helper: starts like the collector (pruning), then adds intervals of 1, 2 and 3
// bytes to the summary file as fast as it can and reports every finished write with one
// byte on standard output, until it is killed or has made its count of writes. Before
// the pruning it reports that it has started.
// Arguments: number of the first write, count of writes. Write n happens at a pinned
// time 6 hours after write n - 1, the first at 1 January 2016 00:00.
#include <unistd.h>

#include <cstdlib>

#include "collector/SummaryFile.h"
#include "platform/core/Clock.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const long long first = std::atoll(argv[1]);
  const long long count = std::atoll(argv[2]);
  constexpr long long kStepSeconds = 6 * 3600;

  platform::Clock::Pin(platform::MakeLocalTime(2016, 1, 1));
  platform::Clock::Advance(first * kStepSeconds);

  // Ready: the kill moments are counted from here, so a slow start does not eat them.
  if (::write(STDOUT_FILENO, "s", 1) != 1) return 3;
  const Velunor::Quillon::CSummaryFile file;
  file.RemoveOldMonths();
  for (long long i = 0; i < count; ++i) {
    file.WriteInterval({1, 2, 3});
    if (::write(STDOUT_FILENO, "w", 1) != 1) return 3;
    platform::Clock::Advance(kStepSeconds);
  }
  return 0;
}
