#include "collector/CaptureWorker.h"

#include <boost/thread/lock_guard.hpp>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>

#include "collector/AddressText.h"
#include "common/LogMessage.h"
#include "common/StringUtil.h"
#include "platform/core/DebugOutput.h"
#include "platform/service/Priority.h"

namespace Velunor::Quillon {

namespace {

constexpr int kError = Common::Log::kError;
constexpr int kDebug = Common::Log::kDebug;
constexpr int kPromiscuousOff = 0;
constexpr std::int64_t kBytesPerMB = 1000 * 1000;
// A read that timed out without a frame is followed by this pause, so an idle adapter
// does not spin.
constexpr auto kIdlePause = std::chrono::milliseconds(10);

constexpr wchar_t kOpenNicFunction[] = L"Velunor::Quillon::CaptureWorker::OpenNic";

// The library's error text, each byte taken as one character.
std::wstring ErrorText(const char* text) {
  std::wstring wide;
  for (; text != nullptr && *text != '\0'; ++text) {
    wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
  }
  return wide;
}

}  // namespace

CaptureWorker::CaptureWorker(CNicInfo nic, const IpFilterHeader& filter, int bufferMB, int readTimeoutMs)
    : m_classifier(std::move(nic), filter), m_bufferMB(bufferMB), m_readTimeoutMs(readTimeoutMs) {}

CaptureWorker::~CaptureWorker() { Stop(); }

void CaptureWorker::Start() {
  if (m_started) {
    return;
  }
  m_started = true;
  try {
    m_thread = std::make_unique<boost::thread>([this] { ThreadMain(); });
  } catch (const boost::thread_resource_error&) {
    // No thread, no capture: the worker stays listed with counters at 0 until the next
    // watch step tries again with a new one.
    m_thread.reset();
    SetState(State::kReceiveFailed);
  }
}

void CaptureWorker::Stop() {
  if (!m_thread) {
    return;
  }
  SetStopFlag(1);
  m_thread->join();
  m_thread.reset();
}

void CaptureWorker::SetStopFlag(std::uint8_t value) {
  boost::lock_guard<boost::mutex> lock(m_stopLock);
  m_stop = value;
  if (m_stop == 1 && m_activeHandle != nullptr) {
    pcap_breakloop(m_activeHandle);
  }
}

bool CaptureWorker::IsStopRequested() {
  boost::lock_guard<boost::mutex> lock(m_stopLock);
  return m_stop == 1;
}

TrafficCounts CaptureWorker::TakeCounts() {
  boost::lock_guard<boost::mutex> lock(m_countLock);
  const TrafficCounts taken = m_counts;
  m_counts = TrafficCounts{};
  return taken;
}

void CaptureWorker::SetState(State state) {
  boost::lock_guard<boost::mutex> lock(m_countLock);
  m_state = state;
}

CaptureWorker::State CaptureWorker::GetState() {
  boost::lock_guard<boost::mutex> lock(m_countLock);
  return m_state;
}

bool CaptureWorker::HasFailed() {
  const State state = GetState();
  return state == State::kOpenFailed || state == State::kReceiveFailed;
}

bool CaptureWorker::GetCaptureStatistics(pcap_stat& statistics) {
  boost::lock_guard<boost::mutex> lock(m_countLock);
  statistics = m_statistics;
  return m_hasStatistics;
}

int CaptureWorker::BufferBytes(int bufferMB) {
  const std::int64_t bytes = static_cast<std::int64_t>(bufferMB) * kBytesPerMB;
  if (bytes > INT_MAX) {
    return INT_MAX;
  }
  if (bytes < 0) {
    return 0;
  }
  return static_cast<int>(bytes);
}

void CaptureWorker::ThreadMain() {
  // Capture threads run at the highest thread priority, so bursts are taken off the
  // ring before it fills. A thread sets its own priority on Linux; not getting it is no
  // error.
  platform::SetCurrentThreadPriority(platform::kThreadPriorityHighest);
  // A retry logs nothing until it opens: a link that stays down for hours leaves one
  // set of lines, not one per watch step.
  if (!m_retry) LogCaptureStart();
  pcap_t* handle = OpenNic();
  if (handle == nullptr) {
    if (!m_retry) LogCaptureEnd();
    return;
  }
  if (m_retry) LogCaptureStart();
  ReceiveLoop(handle);
  pcap_stat statistics{};
  if (pcap_stats(handle, &statistics) == 0) {
    boost::lock_guard<boost::mutex> lock(m_countLock);
    m_statistics = statistics;
    m_hasStatistics = true;
  }
  pcap_close(handle);
  LogCaptureEnd();
}

pcap_t* CaptureWorker::OpenNic() {
  char errorBuffer[PCAP_ERRBUF_SIZE] = {};
  const std::string deviceName = Common::ToMultiByteString(GetNic().GetName(), Common::kUtf8CodePageFlag);
  pcap_t* handle = pcap_create(deviceName.c_str(), errorBuffer);
  if (handle == nullptr) {
    SetState(State::kOpenFailed);
    if (!m_retry) {
      Common::Log::WriteLog(kOpenNicFunction, __LINE__,
                            L"PcapのOpenに失敗しました。[" + ErrorText(errorBuffer) + L"]", kError);
    }
    return nullptr;
  }
  // Only the headers are read, and the wire length is counted: a short snapshot lets
  // the kernel ring hold many more frames, which is what keeps a busy machine from
  // dropping any.
  pcap_set_snaplen(handle, kSnapshotLength);
  pcap_set_promisc(handle, kPromiscuousOff);
  pcap_set_timeout(handle, m_readTimeoutMs);
  // The kernel ring of the capture socket takes the driver buffer's place. There is no
  // minimum-copy setting: the ring hands a block to the reader when it is full or when
  // the read timeout passes, which keeps wake-ups as few as a minimum copy would.
  const int bufferBytes = BufferBytes(m_bufferMB);
  if (pcap_set_buffer_size(handle, bufferBytes) != 0) {
    Common::Log::WriteLog(kOpenNicFunction, __LINE__,
                          L"PcapのBufferSize設定に失敗しました。[" + std::to_wstring(bufferBytes) + L"Byte]",
                          kDebug);
  }
  const int status = pcap_activate(handle);
  if (status < 0) {
    const char* reason = pcap_geterr(handle);
    const std::wstring text =
        ErrorText(reason != nullptr && reason[0] != '\0' ? reason : pcap_statustostr(status));
    pcap_close(handle);
    SetState(State::kOpenFailed);
    if (!m_retry) {
      Common::Log::WriteLog(kOpenNicFunction, __LINE__, L"PcapのOpenに失敗しました。[" + text + L"]", kError);
    }
    return nullptr;
  }
  if (FindLinkType(pcap_datalink(handle)) == nullptr) {
    pcap_close(handle);
    SetState(State::kRefused);
    Common::Log::WriteLog(kOpenNicFunction, __LINE__,
                          L"アダプタのdatalinkの種類が対応外です。[Ethernet (10Mb, 100Mb, 1000Mb, それ以上) "
                          L"もしくはPPPoE以外]",
                          kError);
    return nullptr;
  }
  // The snapshot length reaches the kernel only through a filter: without one the ring
  // is filled with whole frames, which the library cuts only as it hands them over. A
  // filter that takes every frame (the empty expression) makes the kernel copy just the
  // first kSnapshotLength bytes of each.
  bpf_program everyFrame{};
  if (pcap_compile(handle, &everyFrame, "", 1, PCAP_NETMASK_UNKNOWN) != 0 || pcap_setfilter(handle, &everyFrame) != 0) {
    Common::Log::WriteLog(kOpenNicFunction, __LINE__,
                          L"cannot set the capture filter, whole frames fill the buffer [" +
                              ErrorText(pcap_geterr(handle)) + L"]",
                          kDebug);
  }
  pcap_freecode(&everyFrame);
  SetState(State::kCapturing);
  return handle;
}

void CaptureWorker::ReceiveLoop(pcap_t* handle) {
  // The open refuses every other link type; a savefile of one is read as Ethernet.
  const LinkType* linkType = FindLinkType(pcap_datalink(handle));
  m_classifier.SetLinkType(linkType != nullptr ? *linkType : *FindLinkType(kLinkTypeEthernet));
  // A read that hands over nothing is the end of a savefile, but only a read timeout on
  // an adapter.
  const bool savefile = pcap_file(handle) != nullptr;
  {
    boost::lock_guard<boost::mutex> lock(m_stopLock);
    m_activeHandle = handle;
  }
  while (!IsStopRequested()) {
    const int read = ReadBatch(handle, -1);
    if (read < 0 || (read == 0 && savefile)) {
      const int lastError = errno;
      // A read broken off by a stop request is no receive failure.
      if (!IsStopRequested()) {
        platform::OutputDebugString(L"パケット受信に失敗しました。ERROR=[" + std::to_wstring(lastError) + L"]\n");
        SetState(State::kReceiveFailed);
      }
      break;
    }
    if (read == 0) std::this_thread::sleep_for(kIdlePause);
  }
  // Frames that were already captured when the stop came are counted too.
  if (IsStopRequested()) DrainCapturedFrames(handle);
  boost::lock_guard<boost::mutex> lock(m_stopLock);
  m_activeHandle = nullptr;
}

namespace {

// What one read of the capture ring counted, before it is added to the worker's counts.
struct Batch {
  const FrameClassifier& classifier;
  TrafficCounts counts;
};

void CountFrame(u_char* user, const pcap_pkthdr* header, const u_char* data) {
  Batch& batch = *reinterpret_cast<Batch*>(user);
  batch.classifier.DispatchFrame(*header, data, batch.counts);
}

}  // namespace

int CaptureWorker::ReadBatch(pcap_t* handle, int maxFrames) {
  Batch batch{m_classifier, {}};
  const int result = pcap_dispatch(handle, maxFrames, CountFrame, reinterpret_cast<u_char*>(&batch));
  // A read broken off by a stop request returns no frame count, but the frames it
  // handed over before are classified and count.
  if (batch.counts != TrafficCounts{}) {
    boost::lock_guard<boost::mutex> lock(m_countLock);
    m_counts += batch.counts;
  }
  return result;
}

void CaptureWorker::DrainCapturedFrames(pcap_t* handle) {
  char errorBuffer[PCAP_ERRBUF_SIZE] = {};
  if (handle == nullptr || pcap_setnonblock(handle, 1, errorBuffer) != 0) return;
  // The ring hands over a block that is not full only when the read timeout has passed,
  // so frames captured just before the stop become readable within one timeout. Reading
  // on for that long counts them; the frame bound keeps a flood from holding up the stop.
  constexpr int kMaxDrainedFrames = 1000000;
  constexpr auto kPoll = std::chrono::milliseconds(20);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(m_readTimeoutMs) + std::chrono::milliseconds(250);
  int drained = 0;
  while (drained < kMaxDrainedFrames && std::chrono::steady_clock::now() < deadline) {
    const int read = ReadBatch(handle, kMaxDrainedFrames - drained);
    if (read > 0) {
      drained += read;
    } else if (read == 0 || read == PCAP_ERROR_BREAK) {
      // Nothing readable yet, or the stop's break request still pending once.
      std::this_thread::sleep_for(kPoll);
    } else {
      break;
    }
  }
}

void CaptureWorker::LogCaptureStart() {
  LogCaptureLines(L"Start", L"Velunor::Quillon::CaptureWorker::LogCaptureStart", __LINE__);
}

void CaptureWorker::LogCaptureEnd() {
  LogCaptureLines(L"End", L"Velunor::Quillon::CaptureWorker::LogCaptureEnd", __LINE__);
}

void CaptureWorker::LogCaptureLines(const wchar_t* phase, const wchar_t* functionName, int sourceLine) {
  if (!Common::Log::IsDebugLogEnabled()) {
    return;
  }
  const CNicInfo& nic = GetNic();
  const std::wstring prefix = std::wstring(L"Capture ") + phase;
  Common::Log::WriteLog(functionName, sourceLine, prefix + L" NIC=[" + nic.GetDescription() + L"]", kDebug);
  if (!IsTraceLogEnabled()) {
    return;
  }
  Common::Log::WriteLog(functionName, sourceLine, prefix + L" Name=[" + nic.GetName() + L"]", kDebug);
  Common::Log::WriteLog(functionName, sourceLine,
                        prefix + L" IPv4 Address=[" + FormatIPv4Text(nic.GetIPv4Address(), false) +
                            L"] Netmask=[" + FormatIPv4Text(nic.GetNetmask(), false) + L"]",
                        kDebug);
  for (const NicIPv6Entry& entry : nic.IPv6Entries()) {
    Common::Log::WriteLog(functionName, sourceLine,
                          prefix + L" IPv6 Address=[" + FormatIPv6Text(entry.address) + L"] Netmask=[" +
                              FormatIPv6Text(entry.netmask) + L"]",
                          kDebug);
  }
}

}  // namespace Velunor::Quillon
