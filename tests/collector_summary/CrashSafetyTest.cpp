// A writer process killed with SIGKILL at random moments must always leave a summary file
// that parses whole and holds every write it reported as finished.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <tinyxml.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/collector_summary/SummarySandbox.h"

extern char** environ;

namespace {

struct Totals {
  bool parsed = false;
  std::uint64_t sent = 0, received = 0, unknown = 0;
};

// Sums the sizes of every unit of the file.
Totals SumFile(const std::string& path) {
  Totals totals;
  TiXmlDocument document;
  if (!document.LoadFile(path.c_str()) || !document.RootElement() ||
      !document.RootElement()->FirstChildElement("install_date")) {
    return totals;
  }
  totals.parsed = true;
  const auto size = [](const TiXmlElement* unit, const char* name) {
    const TiXmlElement* element = unit->FirstChildElement(name);
    return element && element->GetText() ? std::stoull(element->GetText()) : 0ull;
  };
  for (const TiXmlElement* year = document.RootElement()->FirstChildElement("year"); year;
       year = year->NextSiblingElement()) {
    for (const TiXmlElement* month = year->FirstChildElement("month"); month; month = month->NextSiblingElement()) {
      for (const TiXmlElement* unit = month->FirstChildElement("unit"); unit; unit = unit->NextSiblingElement()) {
        totals.sent += size(unit, "send_size");
        totals.received += size(unit, "recv_size");
        totals.unknown += size(unit, "unknown_size");
      }
    }
  }
  return totals;
}

// One run of the writer: it is killed at a random moment inside its write number
// killInWrite (0 = during the start-up pruning or the first write); writeTime is the
// running estimate of one write's duration, which each run refines.
struct Run {
  long reported = -1;  // writes the writer reported as finished; -1: it did not start
};

Run RunAndKill(long long firstWrite, int killInWrite, std::mt19937& random, std::chrono::microseconds& writeTime) {
  Run run;
  int channel[2];
  if (::pipe(channel) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, channel[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, channel[0]);
  posix_spawn_file_actions_addclose(&actions, channel[1]);
  std::string program = SUMMARY_CRASH_WRITER;
  std::string first = std::to_string(firstWrite);
  std::string count = "60";
  char* arguments[] = {program.data(), first.data(), count.data(), nullptr};
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(channel[1]);
  if (spawned != 0) {
    ::close(channel[0]);
    return run;
  }
  const auto readOne = [&](char& byte) {
    ssize_t got = 0;
    while ((got = ::read(channel[0], &byte, 1)) < 0 && errno == EINTR) {
    }
    return got == 1;
  };
  // Wait for the start, then for the writes before the one to interrupt.
  char byte = 0;
  bool started = readOne(byte) && byte == 's';
  long seen = 0;
  auto last = std::chrono::steady_clock::now();
  while (started && seen < killInWrite && readOne(byte)) {
    ++seen;
    const auto now = std::chrono::steady_clock::now();
    writeTime = (3 * writeTime + std::chrono::duration_cast<std::chrono::microseconds>(now - last)) / 4;
    last = now;
  }
  // Anywhere inside the next write, or just after it.
  std::uniform_int_distribution<long> delay(0, writeTime.count() * 3 / 2);
  std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  char buffer[256];
  ssize_t got = 0;
  while ((got = ::read(channel[0], buffer, sizeof buffer)) > 0) seen += got;
  ::close(channel[0]);
  if (started) run.reported = seen;
  return run;
}

class SummaryCrashTest : public summary_test::SummarySandbox {};

TEST_F(SummaryCrashTest, KilledWriterLeavesAWholeFileWithEveryFinishedWrite) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> killInWrite(0, 8);
  std::chrono::microseconds writeTime(2000);

  const auto started = std::chrono::steady_clock::now();
  long reportedTotal = 0;
  std::uint64_t landed = 0;  // writes found in the file
  int runs = 0;
  while (reportedTotal < 400 && runs < 1000 && std::chrono::steady_clock::now() - started < std::chrono::seconds(60)) {
    ++runs;
    const long reported = RunAndKill(static_cast<long long>(landed), killInWrite(random), random, writeTime).reported;
    ASSERT_GE(reported, 0) << "the writer could not be started";
    reportedTotal += reported;

    if (!boost::filesystem::exists(SummaryPath())) {
      ASSERT_EQ(landed, 0u);
      ASSERT_EQ(reported, 0) << "run " << runs << " reported writes but left no file";
      continue;
    }
    const Totals totals = SumFile(SummaryPath());
    ASSERT_TRUE(totals.parsed) << "run " << runs << " left a file that does not parse:\n"
                               << summary_test::ReadBytes(SummaryPath());
    // Every reported write is in the file; one more may have landed just before the kill.
    ASSERT_GE(totals.sent, landed + reported) << "run " << runs;
    ASSERT_LE(totals.sent, landed + reported + 1) << "run " << runs;
    ASSERT_EQ(totals.received, 2 * totals.sent);
    ASSERT_EQ(totals.unknown, 3 * totals.sent);
    landed = totals.sent;
  }
  RecordProperty("runs", runs);
  RecordProperty("finished_writes", static_cast<int>(reportedTotal));
  EXPECT_GE(reportedTotal, 200) << "too few writes finished in " << runs << " runs to mean much";

  // Nothing but an unfinished temporary file of the last run may lie beside the file.
  const std::vector<std::string> others = OtherFiles();
  EXPECT_LE(others.size(), 1u);
  for (const std::string& name : others) EXPECT_EQ(name.rfind("summarydata.xml.tmp-", 0), 0u) << name;
}

}  // namespace
