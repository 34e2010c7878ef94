// Time and heap of one summary write, and of the start-up pruning, on a file that holds
// 13 months of daily units (the most the pruning leaves at start). The file lies in a
// temporary machine root; the clock is pinned to the last day in the file.
#include <sys/resource.h>

#include <benchmark/benchmark.h>
#include <tinyxml.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

#include <boost/filesystem.hpp>

#include "collector/SummaryFile.h"
#include "collector/SummaryFileStore.h"
#include "platform/core/Clock.h"
#include "platform/core/DateTime.h"

namespace {

// Heap accounting through the global allocation functions: live bytes and their peak.
std::atomic<long long> g_liveBytes{0};
std::atomic<long long> g_peakBytes{0};
std::atomic<long long> g_allocations{0};
constexpr std::size_t kHeader = 16;

void* Allocate(std::size_t size) {
  void* block = std::malloc(size + kHeader);
  if (!block) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  const long long live = g_liveBytes += static_cast<long long>(size);
  ++g_allocations;
  long long peak = g_peakBytes.load();
  while (live > peak && !g_peakBytes.compare_exchange_weak(peak, live)) {
  }
  return static_cast<char*>(block) + kHeader;
}

void Release(void* pointer) {
  if (!pointer) return;
  void* block = static_cast<char*>(pointer) - kHeader;
  g_liveBytes -= static_cast<long long>(*static_cast<std::size_t*>(block));
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* pointer) noexcept { Release(pointer); }
void operator delete[](void* pointer) noexcept { Release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Release(pointer); }

namespace {

// 13 months up to 16 March 2016, one unit for every day.
std::string ThirteenMonths() {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<xml>\n    <install_date>20150301</install_date>\n";
  int year = 2015, month = 3;
  for (int index = 0; index < 13; ++index) {
    char line[256];
    if (index == 0 || month == 1) {
      if (index) text += "    </year>\n";
      std::snprintf(line, sizeof line, "    <year>%04d\n", year);
      text += line;
    }
    std::snprintf(line, sizeof line, "        <month>%02d\n", month);
    text += line;
    const int days = index == 12 ? 16 : platform::DateTime::DaysInMonth(year, month);
    for (int day = 1; day <= days; ++day) {
      std::snprintf(line, sizeof line,
                    "            <unit>\n                <datetime>%02d2350</datetime>\n"
                    "                <send_size>%d</send_size>\n                <recv_size>%d</recv_size>\n"
                    "                <unknown_size>%d</unknown_size>\n            </unit>\n",
                    day, 123456789 + day, 987654321 + day * 1000, day * 17);
      text += line;
    }
    text += "        </month>\n";
    if (++month == 13) month = 1, ++year;
  }
  return text + "    </year>\n</xml>\n";
}

class Sandbox {
 public:
  Sandbox() {
    std::string pattern = (boost::filesystem::temp_directory_path() / "summary-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    m_root = pattern;
    ::setenv("CORVANE_ROOT", m_root.c_str(), 1);
    platform::Clock::Pin(platform::MakeLocalTime(2016, 3, 16, 12, 30));
  }
  ~Sandbox() {
    boost::system::error_code ignored;
    boost::filesystem::remove_all(m_root, ignored);
  }
  void PlaceFile() const {
    const std::string path = Velunor::Quillon::CSummaryFile().GetNativePath();
    boost::filesystem::create_directories(boost::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << ThirteenMonths();
  }

 private:
  std::string m_root;
};

Sandbox& TheSandbox() {
  static Sandbox sandbox;
  return sandbox;
}

void ReportHeap(benchmark::State& state, long long peakAboveStart, long long allocations) {
  const auto iterations = static_cast<double>(state.iterations());
  state.counters["heap_peak_bytes"] = benchmark::Counter(static_cast<double>(peakAboveStart));
  state.counters["allocations_per_call"] = benchmark::Counter(static_cast<double>(allocations) / iterations);
  const std::string path = Velunor::Quillon::CSummaryFile().GetNativePath();
  state.counters["file_bytes"] = benchmark::Counter(static_cast<double>(boost::filesystem::file_size(path)));
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["max_rss_kib"] = benchmark::Counter(static_cast<double>(usage.ru_maxrss));
}

// The whole write: load, edit, render, temporary file, flush to disk, rename.
void BM_WriteInterval(benchmark::State& state) {
  TheSandbox().PlaceFile();
  const Velunor::Quillon::CSummaryFile file;
  long long peak = 0;
  const long long startAllocations = g_allocations;
  for (auto _ : state) {
    const long long before = g_liveBytes;
    g_peakBytes = before;
    file.WriteInterval({1514, 9437184, 0});
    peak = std::max(peak, g_peakBytes.load() - before);
  }
  ReportHeap(state, peak, g_allocations - startAllocations);
}
BENCHMARK(BM_WriteInterval)->Unit(benchmark::kMicrosecond);

// The same without the disk: load the file into a tree and render the saved bytes.
void BM_LoadAndRender(benchmark::State& state) {
  TheSandbox().PlaceFile();
  const Velunor::Quillon::CSummaryFileStore store(Velunor::Quillon::CSummaryFile().GetNativePath());
  for (auto _ : state) {
    TiXmlDocument document;
    std::string error;
    store.Load(document, error);
    benchmark::DoNotOptimize(Velunor::Quillon::CSummaryFileStore::Render(document));
  }
}
BENCHMARK(BM_LoadAndRender)->Unit(benchmark::kMicrosecond);

// Pruning at start, on a file that already holds only what it keeps.
void BM_RemoveOldMonths(benchmark::State& state) {
  TheSandbox().PlaceFile();
  const Velunor::Quillon::CSummaryFile file;
  long long peak = 0;
  const long long startAllocations = g_allocations;
  for (auto _ : state) {
    const long long before = g_liveBytes;
    g_peakBytes = before;
    file.RemoveOldMonths();
    peak = std::max(peak, g_peakBytes.load() - before);
  }
  ReportHeap(state, peak, g_allocations - startAllocations);
}
BENCHMARK(BM_RemoveOldMonths)->Unit(benchmark::kMicrosecond);

}  // namespace
