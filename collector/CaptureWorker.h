#pragma once
// Captures the frames of one adapter on a thread of its own and keeps three running
// byte counters for it: sent from the adapter's address, received for it, and counted
// traffic of neither direction (unknown).
#include <pcap/pcap.h>

#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

#include <cstdint>
#include <memory>

#include "collector/FrameView.h"
#include "collector/IpFilterHeader.h"
#include "collector/NicInfo.h"

namespace Velunor::Quillon {

// Per-frame log gates of the capture threads: LogLevel above 4 and above 5.
bool IsTraceLogEnabled();
bool IsFullTraceLogEnabled();

class CaptureWorker {
 public:
  // Link types whose frames are classified; every other one is refused when opening.
  static constexpr int kLinkTypeEthernet = 1;
  static constexpr int kLinkTypePPPoE = 51;
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
  void TakeCounts(std::uint64_t& sent, std::uint64_t& received, std::uint64_t& unknown);

  // Classifies one captured frame and counts it. size is the frame's length on the wire
  // (header.len), which is what counts; nothing beyond header.caplen is ever read.
  void DispatchFrame(const pcap_pkthdr& header, const std::uint8_t* data, std::uint32_t size);

  State GetState();
  // True when the capture ended by itself in a way that a new worker for the same
  // adapter may get past: the open failed or reading failed. A refused link type stays.
  bool HasFailed();

  // The capture library's statistics of the handle as the receive loop ended; false
  // while the loop has not ended (or never ran).
  bool GetCaptureStatistics(pcap_stat& statistics);

  const CNicInfo& GetNic() const { return m_nic; }
  int GetBufferMB() const { return m_bufferMB; }
  int GetReadTimeoutMs() const { return m_readTimeoutMs; }
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
  bool NextPacket(pcap_t* handle, const pcap_pkthdr*& header, const std::uint8_t*& data,
                  std::uint32_t& size);
  void LogCaptureStart();
  void LogCaptureEnd();
  void LogCaptureLines(const wchar_t* phase, const wchar_t* functionName, int sourceLine);
  bool IsStopRequested();

  // Classification of one frame kind each; the view starts at the Ethernet header.
  // Sizes are 64-bit here, so adding the synthetic header of a PPPoE link never wraps.
  void CountIPv4(const FrameView& frame, std::uint64_t size);
  void CountIPv6(const FrameView& frame, std::uint64_t size);
  void CountPPPoE(const FrameView& frame, std::uint64_t size);
  void AddToCounter(std::uint64_t& counter, std::uint64_t size);

  static int IsLocalIPv4(std::uint32_t source, std::uint32_t destination);
  static int IsMulticastIPv4(std::uint32_t source, std::uint32_t destination);
  static int IsLocalIPv6(const IpFilterHeader::IPv6Address& source,
                         const IpFilterHeader::IPv6Address& destination);
  static int IsMulticastIPv6(const IpFilterHeader::IPv6Address& source,
                             const IpFilterHeader::IPv6Address& destination);
  int IsSentIPv4(std::uint32_t source) const;
  int IsReceivedIPv4(std::uint32_t destination) const;
  int IsSentIPv6(const IpFilterHeader::IPv6Address& source) const;
  int IsReceivedIPv6(const IpFilterHeader::IPv6Address& destination) const;
  int IsOwnIPv6(const IpFilterHeader::IPv6Address& address) const;

  void DebugLog(int kind, const wchar_t* label, std::uint32_t source, std::uint32_t destination,
                std::uint64_t size, int pppoe);
  void DebugLog(int kind, const wchar_t* label, const IpFilterHeader::IPv6Address& source,
                const IpFilterHeader::IPv6Address& destination, std::uint64_t size, int pppoe);
  bool IsDebugLineEnabled(int kind) const;

  CNicInfo m_nic;
  IpFilterHeader m_filter;
  std::uint64_t m_sentBytes = 0;
  std::uint64_t m_receivedBytes = 0;
  std::uint64_t m_unknownBytes = 0;
  std::uint64_t m_takenSent = 0;
  std::uint64_t m_takenReceived = 0;
  std::uint64_t m_takenUnknown = 0;
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
  // Link type of the open handle; decides how a frame is framed for classification.
  int m_linkType = kLinkTypeEthernet;
  // The per-frame gates, read once when the worker is made: reading the settings for
  // every frame would cost more than classifying it.
  bool m_traceLog;
  bool m_fullTraceLog;
};

}  // namespace Velunor::Quillon
