#pragma once
// Captures the frames of one adapter on a thread of its own: opens the adapter, reads
// what the capture ring hands over, has each frame classified and keeps the bytes
// counted in each class until they are taken.
#include <pcap/pcap.h>

#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

#include <cstdint>
#include <memory>

#include "collector/FrameClassifier.h"
#include "collector/IpFilterHeader.h"
#include "collector/NicInfo.h"
#include "collector/TrafficCounts.h"

namespace Velunor::Quillon {

class CaptureWorker {
 public:
  // Bytes of each frame the capture hands over. The deepest field any rule reads ends at
  // byte 62 (the IPv6 destination behind PPPoE), well inside.
  static constexpr int kSnapshotLength = 128;

  // Where the capture thread stands.
  enum class State {
    kStarting,      // not opened yet
    kCapturing,     // opened; the receive loop runs, or ran until a stop request
    kOpenFailed,    // the adapter could not be opened (a link that is down, for one)
    kRefused,       // opened, but its link type is not one we classify
    kReceiveFailed, // reading ended by itself (the adapter went away under it), or no thread
  };

  CaptureWorker(CNicInfo nic, const IpFilterHeader& filter, int bufferMB, int readTimeoutMs);
  ~CaptureWorker();
  CaptureWorker(const CaptureWorker&) = delete;
  CaptureWorker& operator=(const CaptureWorker&) = delete;

  // Marks this worker as another attempt at an adapter whose open failure is already
  // logged: failing again logs nothing, and the start and end lines appear only once it
  // opens. Called before Start.
  void SetRetry() { m_retry = true; }
  // Starts the capture thread; a worker is started once.
  void Start();
  // Requests the stop and returns once the capture thread has ended; nothing when no
  // thread runs.
  void Stop();
  void SetStopFlag(std::uint8_t value);
  // The bytes counted in each class since the previous call (or since construction).
  TrafficCounts TakeCounts();

  State GetState();
  // True when the capture ended by itself in a way that a new worker for the same
  // adapter may get past: the open failed or reading failed. A refused link type stays.
  bool HasFailed();

  // The capture library's statistics of the handle as the receive loop ended; false
  // while the loop has not ended (or never ran).
  bool GetCaptureStatistics(pcap_stat& statistics);

  const CNicInfo& GetNic() const { return m_classifier.GetNic(); }
  int GetBufferMB() const { return m_bufferMB; }
  // The capture buffer in bytes for a share in MB (1 MB = 1,000,000 bytes), clamped to
  // what the library's int takes.
  static int BufferBytes(int bufferMB);

 private:
  friend class CaptureWorkerTestPeer;

  void ThreadMain();
  pcap_t* OpenNic();
  void SetState(State state);
  // Reads and counts, for one read timeout after a stop request, what the capture still
  // holds.
  void DrainCapturedFrames(pcap_t* handle);
  void ReceiveLoop(pcap_t* handle);
  // Classifies what one read hands over (at most maxFrames frames; -1: all the ring
  // holds ready) and adds it to the counts under one lock. The library's result.
  int ReadBatch(pcap_t* handle, int maxFrames);
  void LogCaptureStart();
  void LogCaptureEnd();
  void LogCaptureLines(const wchar_t* phase, const wchar_t* functionName, int sourceLine);
  bool IsStopRequested();

  // The adapter it holds stays as made; its link type is set by the capture thread.
  FrameClassifier m_classifier;
  // Guarded by m_countLock: what is counted and not yet taken.
  TrafficCounts m_counts;
  std::uint8_t m_stop = 0;
  boost::mutex m_countLock;
  boost::mutex m_stopLock;
  std::unique_ptr<boost::thread> m_thread;
  int m_bufferMB;
  int m_readTimeoutMs;

  bool m_started = false;
  // The open handle while the receive loop runs, guarded by m_stopLock: a stop request
  // breaks the library's wait on it. On Linux the capture ring wakes its reader only
  // for frames, so an idle adapter would otherwise never see the stop.
  pcap_t* m_activeHandle = nullptr;
  bool m_retry = false;
  // Guarded by m_countLock.
  State m_state = State::kStarting;
  bool m_hasStatistics = false;
  pcap_stat m_statistics{};
};

}  // namespace Velunor::Quillon
