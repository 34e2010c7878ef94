#pragma once
// Decides which adapters are captured and keeps one capture worker running for each,
// retiring workers whose adapter vanished or changed, and collects the counted bytes.
#include <cstddef>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "collector/CaptureWorker.h"
#include "collector/IpFilterHeader.h"
#include "collector/NicInfo.h"
#include "collector/TrafficCounts.h"

namespace Velunor::Quillon {

class CNicManager {
 public:
  // At most this many adapters are captured, the first ones the library lists.
  static constexpr std::size_t kMaxAdapters = 10;

  CNicManager(int totalBufferMB, int timeoutMs, const IpFilterHeader& filter);
  ~CNicManager();
  CNicManager(const CNicManager&) = delete;
  CNicManager& operator=(const CNicManager&) = delete;

  // Stops and deletes every worker; counts not yet collected are dropped.
  void StopAll();
  // Stops and deletes every worker, keeping their last counts for the next
  // CollectCounts: what a final collection at shutdown needs.
  void RetireAll() { RetireWorkers({}); }
  // One watch step: enumerate, retire the workers of adapters that are gone or changed
  // and the workers whose capture failed by itself, start workers for adapters that have
  // none. An adapter that could not be opened (a link still down) is so tried again at
  // every step until it opens; its failure is logged once.
  void WatchNics();
  // The bytes counted since the previous collection, retired workers' last counts
  // included.
  TrafficCounts CollectCounts();
  // Gives back counts of a collection that could not be written: the next collection
  // holds them again.
  void PutBackCounts(const TrafficCounts& counts);

  // Buffer share in MB of each new worker when adapterCount adapters are listed: the
  // total divided and truncated, never below 1.
  static int ComputeShare(int totalBufferMB, std::size_t adapterCount);

  // The workers in creation order.
  const std::list<std::unique_ptr<CaptureWorker>>& GetWorkers() const { return m_workers; }

 private:
  void EnumerateNics(std::vector<CNicInfo>& list);
  void RetireWorkers(const std::vector<CNicInfo>& list);
  void RegisterWorkers(const std::vector<CNicInfo>& list);
  bool HasWorkerFor(const std::wstring& name) const;
  // Takes what the worker counted since its last take into m_unwritten.
  void MoveCountsToUnwritten(CaptureWorker& worker);

  const IpFilterHeader& m_filterRef;
  int m_totalBufferMB;
  int m_timeoutMs;
  // Counts taken from workers and not yet written: the last counts of retired workers,
  // those of running workers during a collection, and those put back after a write
  // failed. The next collection hands them all over.
  TrafficCounts m_unwritten;
  std::list<std::unique_ptr<CaptureWorker>> m_workers;
  // Adapters whose open failure is logged and whose next worker is a quiet retry.
  std::set<std::wstring> m_retryNames;
};

}  // namespace Velunor::Quillon
