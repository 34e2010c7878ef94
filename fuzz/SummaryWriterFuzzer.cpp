// Any bytes as the summary file: the start-up pruning and one write must not fail unsafely,
// and afterwards the file must hold a root element again (an unreadable file is kept aside
// and replaced, a readable one is rewritten or left as it was).
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <boost/filesystem.hpp>

#include "collector/SummaryFile.h"
#include "collector/SummaryFileStore.h"
#include "platform/core/Clock.h"

namespace {

const std::string& SummaryPath() {
  static const std::string path = [] {
    // Shared memory, where available, keeps the flushes to disk cheap.
    const boost::filesystem::path base =
        boost::filesystem::is_directory("/dev/shm") ? "/dev/shm" : boost::filesystem::temp_directory_path();
    const boost::filesystem::path root = base / boost::filesystem::unique_path("summary-fuzz-%%%%-%%%%");
    ::setenv("CORVANE_ROOT", root.c_str(), 1);
    platform::Clock::Pin(platform::MakeLocalTime(2016, 3, 16, 12, 30));
    std::atexit([] {
      boost::system::error_code ignored;
      boost::filesystem::remove_all(std::getenv("CORVANE_ROOT"), ignored);
    });
    return Velunor::Quillon::CSummaryFile().GetNativePath();
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = SummaryPath();
  const boost::filesystem::path folder = boost::filesystem::path(path).parent_path();
  boost::filesystem::remove_all(folder);
  boost::filesystem::create_directories(folder);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  const Velunor::Quillon::CSummaryFile file;
  file.RemoveOldMonths();
  file.WriteInterval({1, 2, 3});

  TiXmlDocument document;
  std::string error;
  Velunor::Quillon::CSummaryFileStore(path).Load(document, error);
  if (!document.RootElement()) std::abort();
  return 0;
}
