#include "collector/NicManager.h"

#include <pcap/pcap.h>

#include <cerrno>

namespace Velunor::Quillon {

namespace {

// The last-error value a failed enumeration leaves behind.
constexpr int kEnumerationFailedCode = 0x2001;

}  // namespace

CNicManager::CNicManager(int totalBufferMB, int timeoutMs, const IpFilterHeader& filter)
    : m_filterRef(filter), m_totalBufferMB(totalBufferMB), m_timeoutMs(timeoutMs) {}

CNicManager::~CNicManager() { StopAll(); }

void CNicManager::StopAll() {
  // Every worker reads on for a moment after its stop request: ask them all first, so
  // they finish together.
  for (std::unique_ptr<CaptureWorker>& worker : m_workers) worker->SetStopFlag(1);
  for (std::unique_ptr<CaptureWorker>& worker : m_workers) {
    worker->Stop();
    worker.reset();
  }
  m_workers.clear();
}

void CNicManager::WatchNics() {
  std::vector<CNicInfo> list;
  EnumerateNics(list);
  RetireWorkers(list);
  RegisterWorkers(list);
}

void CNicManager::EnumerateNics(std::vector<CNicInfo>& list) {
  list.clear();
  pcap_if_t* chain = nullptr;
  char errorBuffer[PCAP_ERRBUF_SIZE] = {};
  if (pcap_findalldevs(&chain, errorBuffer) == -1) {
    errno = kEnumerationFailedCode;
    return;
  }
  for (const pcap_if_t* entry = chain; entry != nullptr; entry = entry->next) {
    CNicInfo nic;
    if (nic.SetFromPcapIf(entry) == 1) {
      list.push_back(nic);
      if (list.size() == kMaxAdapters) {
        break;
      }
    }
  }
  pcap_freealldevs(chain);
}

void CNicManager::RetireWorkers(const std::vector<CNicInfo>& list) {
  std::vector<std::unique_ptr<CaptureWorker>> retiring;
  for (auto it = m_workers.begin(); it != m_workers.end();) {
    const CNicInfo& running = (*it)->GetNic();
    const CNicInfo* listed = nullptr;
    for (const CNicInfo& nic : list) {
      if (running.IsSameName(nic.GetName()) == 1) {
        listed = &nic;
        break;
      }
    }
    const bool unchanged = listed != nullptr && running.IsSame(*listed) == 1;
    const bool failed = (*it)->HasFailed();
    if (unchanged && !failed) {
      ++it;
      continue;
    }
    // An unchanged adapter that could not be opened gets a new worker in this step; its
    // failure is already logged. Any other retirement makes a next failure news again.
    if (unchanged && (*it)->GetState() == CaptureWorker::State::kOpenFailed) {
      m_retryNames.insert(running.GetName());
    } else {
      m_retryNames.erase(running.GetName());
    }
    retiring.push_back(std::move(*it));
    it = m_workers.erase(it);
  }
  // Stop requests first, so the workers' last reads run side by side.
  for (const std::unique_ptr<CaptureWorker>& worker : retiring) worker->SetStopFlag(1);
  for (const std::unique_ptr<CaptureWorker>& worker : retiring) {
    worker->Stop();
    MoveCountsToUnwritten(*worker);
  }
}

void CNicManager::MoveCountsToUnwritten(CaptureWorker& worker) { m_unwritten += worker.TakeCounts(); }

int CNicManager::ComputeShare(int totalBufferMB, std::size_t adapterCount) {
  if (adapterCount == 0) {
    return totalBufferMB < 1 ? 1 : totalBufferMB;
  }
  const int share = totalBufferMB / static_cast<int>(adapterCount);
  return share < 1 ? 1 : share;
}

bool CNicManager::HasWorkerFor(const std::wstring& name) const {
  for (const std::unique_ptr<CaptureWorker>& worker : m_workers) {
    if (worker->GetNic().IsSameName(name) == 1) {
      return true;
    }
  }
  return false;
}

void CNicManager::RegisterWorkers(const std::vector<CNicInfo>& list) {
  if (list.empty()) {
    return;
  }
  const int share = ComputeShare(m_totalBufferMB, list.size());
  for (const CNicInfo& nic : list) {
    if (HasWorkerFor(nic.GetName())) {
      continue;
    }
    m_workers.push_back(std::make_unique<CaptureWorker>(nic, m_filterRef, share, m_timeoutMs));
    if (m_retryNames.count(nic.GetName()) != 0) m_workers.back()->SetRetry();
    m_workers.back()->Start();
  }
}

TrafficCounts CNicManager::CollectCounts() {
  for (const std::unique_ptr<CaptureWorker>& worker : m_workers) MoveCountsToUnwritten(*worker);
  const TrafficCounts collected = m_unwritten;
  m_unwritten = TrafficCounts{};
  return collected;
}

void CNicManager::PutBackCounts(const TrafficCounts& counts) { m_unwritten += counts; }

}  // namespace Velunor::Quillon
