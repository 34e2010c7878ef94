#pragma once
// summarydata.xml, the traffic summary that the viewer and the tray read. The collector
// adds every write interval's bytes to the unit of the current day, and prunes the file
// once at start. Each call loads the whole file, edits the tree and replaces the file;
// nothing is kept between calls. Calls must not overlap: the collector makes them from
// its worker thread only.
#include <cstdint>
#include <string>

#include "collector/TrafficCounts.h"

namespace Velunor::Quillon {

class CSummaryFile {
 public:
  // The machine's summary file, looked up again at every call.
  CSummaryFile() = default;
  // Another file (tools and tests); expanded and mapped like the data path.
  explicit CSummaryFile(std::wstring path);

  // Adds the bytes of one interval to the sizes of the current day's unit and stamps the
  // unit with the day, hour and minute of this call. Creates the folder and the file when
  // they are missing. A file without a root element is kept aside under a new name and a
  // new file is started; a size of the unit that is not a number starts again from this
  // interval, the old file kept aside. A sum stops at the largest 64-bit count. Failures
  // are logged. False when the bytes are not in the file (it could not be read or saved,
  // or the clock is outside the years 100 to 9999): the caller keeps them for a next write.
  bool WriteInterval(const TrafficCounts& counts) const;

  // Keeps the current month, the twelve before it and anything later; removes the rest.
  // When that takes one of the twelve months up to the newest month in the file, the
  // clock is ahead of the data and the old file is kept aside first. Creates nothing when
  // there is no file, and prunes nothing on a clock outside the years 100 to 9999. Also
  // removes temporary files that a write cut short by a crash left beside the file.
  void RemoveOldMonths() const;

  // The file's path as the operating system takes it.
  std::string GetNativePath() const;

 private:
  std::wstring m_path;  // empty: the machine's summary file
};

}  // namespace Velunor::Quillon
