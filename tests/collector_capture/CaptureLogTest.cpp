// The capture's log lines, at the LogLevel of the config.ini placed beside this test
// program (CAPTURE_LOG_LEVEL: 5 or 6).
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "collector/CaptureWorker.h"
#include "collector/IpFilterHeader.h"
#include "tests/DebugOutputCapture.h"
#include "tests/TestSandbox.h"
#include "tests/collector_capture/CaptureTestSupport.h"

using Velunor::Quillon::CaptureWorker;
using Velunor::Quillon::IpFilterHeader;
using namespace capture_test;

namespace {

class LogRootEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    root = std::make_unique<corvane_test::TempFolder>();
    setenv("CORVANE_ROOT", root->str().c_str(), 1);
  }
  void TearDown() override { root.reset(); }
  std::unique_ptr<corvane_test::TempFolder> root;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new LogRootEnvironment);

class CaptureLog : public ::testing::Test {
 protected:
  // Index of the first log line from function with exactly this message, or -1.
  long Find(const std::wstring& function, const std::wstring& message, const wchar_t* level = L"[DEBUG]") const {
    const std::vector<std::wstring> lines = capture.Texts();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::wstring& line = lines[i];
      const std::wstring tail = L" ] " + message + L"\r\n";
      if (line.find(level) != std::wstring::npos && line.find(L"[ " + function + L", ") != std::wstring::npos &&
          line.size() >= tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0) {
        return static_cast<long>(i);
      }
    }
    return -1;
  }

  corvane_test::DebugOutputCapture capture;
  corvane_test::TempFolder folder;
};

constexpr bool kFullTrace = CAPTURE_LOG_LEVEL > 5;
constexpr wchar_t kDebugLog[] = L"Velunor::Quillon::CaptureWorker::DebugLog";

TEST_F(CaptureLog, CountedFramesAreTracedAndTheOthersOnlyAtFullTrace) {
  const std::string path = (folder.path() / "frames.pcap").string();
  WriteSavefile(path, Velunor::Quillon::kLinkTypeEthernet,
                {{IPv4Frame("192.168.1.2", "8.8.8.8")},
                 {IPv4Frame("192.168.1.2", "192.168.1.1")},
                 {PPPoEIPv6Frame("2001:db8:1::2", "2001:4860::8888")},
                 {IPv6Frame("2001:db8:1::2", "ff02::1", 70)},
                 {IPv4Frame("203.0.113.9", "192.168.1.2", 1500)}});
  FakeAdapter adapter("veth-log", "Test adapter");
  adapter.IPv4("192.168.1.2", "255.255.255.0").IPv6("2001:db8:1::2", "ffff:ffff:ffff:ffff::");
  IpFilterHeader filter;
  filter.AddAddress(L"203.0.113.9");
  CaptureWorker worker(adapter.Nic(), filter, 1, 1000);
  ReceiveSavefile(worker, path);

  EXPECT_GE(Find(kDebugLog, L"Count Packet type IPv4 src 192.168.001.002 dest 008.008.008.008 size 00100 nic Test adapter"), 0);
  EXPECT_GE(Find(kDebugLog, L"Count Packet type PPPoE(IPv6) src 2001:0DB8:0001:0000:0000:0000:0000:0002 dest "
                            L"2001:4860:0000:0000:0000:0000:0000:8888 size 00092 nic Test adapter"),
            0);
  const bool local =
      Find(kDebugLog, L"Local Packet type IPv4 src 192.168.001.002 dest 192.168.001.001 size 00100 nic Test adapter") >= 0;
  const bool multicast = Find(kDebugLog, L"Multicast Packet type IPv6 src 2001:0DB8:0001:0000:0000:0000:0000:0002 dest "
                                         L"FF02:0000:0000:0000:0000:0000:0000:0001 size 00070 nic Test adapter") >= 0;
  const bool excluded =
      Find(kDebugLog, L"Exclusion Packet type IPv4 src 203.000.113.009 dest 192.168.001.002 size 01500 nic Test adapter") >= 0;
  EXPECT_EQ(local, kFullTrace);
  EXPECT_EQ(multicast, kFullTrace);
  EXPECT_EQ(excluded, kFullTrace);
}

TEST_F(CaptureLog, AWorkerLogsItsAdapterAroundAFailedOpen) {
  FakeAdapter adapter("no-such-nic0", "missing adapter");
  adapter.IPv4("10.0.0.1", "255.255.255.255").IPv6("fd77::1", "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff");
  CaptureWorker worker(adapter.Nic(), IpFilterHeader(), 2148, 1000);
  worker.Start();
  worker.Stop();

  const std::wstring start = L"Velunor::Quillon::CaptureWorker::LogCaptureStart";
  const std::wstring end = L"Velunor::Quillon::CaptureWorker::LogCaptureEnd";
  const long nicLine = Find(start, L"Capture Start NIC=[missing adapter]");
  const long nameLine = Find(start, L"Capture Start Name=[no-such-nic0]");
  const long ipv4Line = Find(start, L"Capture Start IPv4 Address=[10.0.0.1] Netmask=[255.255.255.255]");
  const long ipv6Line = Find(start, L"Capture Start IPv6 Address=[FD77:0000:0000:0000:0000:0000:0000:0001] "
                                    L"Netmask=[FFFF:FFFF:FFFF:FFFF:FFFF:FFFF:FFFF:FFFF]");
  const long endLine = Find(end, L"Capture End NIC=[missing adapter]");
  const long endIPv4Line = Find(end, L"Capture End IPv4 Address=[10.0.0.1] Netmask=[255.255.255.255]");
  long errorLine = -1;
  const std::vector<std::wstring> lines = capture.Texts();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].find(L"[ERROR]") != std::wstring::npos &&
        lines[i].find(L"Velunor::Quillon::CaptureWorker::OpenNic") != std::wstring::npos &&
        lines[i].find(L" ] PcapのOpenに失敗しました。[") != std::wstring::npos) {
      errorLine = static_cast<long>(i);
    }
  }
  ASSERT_GE(nicLine, 0);
  EXPECT_GT(nameLine, nicLine);
  EXPECT_GT(ipv4Line, nameLine);
  EXPECT_GT(ipv6Line, ipv4Line);
  EXPECT_GT(errorLine, ipv6Line);
  EXPECT_GT(endLine, errorLine);
  EXPECT_GT(endIPv4Line, endLine);
}

// The adapter manager tries an adapter that could not be opened again at every watch
// step; those attempts leave no line while they fail.
TEST_F(CaptureLog, ARetryThatFailsAgainLogsNothing) {
  FakeAdapter adapter("no-such-nic0", "missing adapter");
  adapter.IPv4("10.0.0.1", "255.255.255.255");
  CaptureWorker worker(adapter.Nic(), IpFilterHeader(), 1, 1000);
  worker.SetRetry();
  worker.Start();
  worker.Stop();
  EXPECT_EQ(worker.GetState(), CaptureWorker::State::kOpenFailed);
  for (const std::wstring& line : capture.Texts()) {
    EXPECT_EQ(line.find(L"Velunor::Quillon::CaptureWorker::"), std::wstring::npos) << line;
  }
}

TEST_F(CaptureLog, AnUnsupportedLinkTypeIsRefusedWithOneErrorLine) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "opening a capture device needs root";
  }
  // The pseudo-device that captures on every adapter delivers cooked frames, not Ethernet.
  FakeAdapter adapter("any", "every adapter");
  adapter.IPv4("10.0.0.1", "255.255.255.255");
  CaptureWorker worker(adapter.Nic(), IpFilterHeader(), 1, 100);
  worker.Start();
  worker.Stop();
  int errors = 0;
  for (const std::wstring& line : capture.Texts()) {
    errors += line.find(L"[ERROR]") != std::wstring::npos &&
              line.find(L" ] アダプタのdatalinkの種類が対応外です。[Ethernet (10Mb, 100Mb, 1000Mb, それ以上) "
                        L"もしくはPPPoE以外]\r\n") != std::wstring::npos;
  }
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(worker.TakeCounts(), TrafficCounts{});
}

TEST_F(CaptureLog, EveryLineOfTheExclusionFileIsLoggedAsRead) {
  const auto path = folder.path() / "exclusion.dat";
  corvane_test::WriteFile(path, "10.0.0.1\r\nnot an address\n2001:db8::1");
  IpFilterHeader filter;
  const std::string text = path.string();
  filter.LoadFile(std::wstring(text.begin(), text.end()));
  const std::wstring function = L"Velunor::Quillon::IpFilterHeader::LoadFile";
  const long first = Find(function, L"ExclusionIP=10.0.0.1\n");
  const long second = Find(function, L"ExclusionIP=not an address\n");
  const long third = Find(function, L"ExclusionIP=2001:db8::1");
  ASSERT_GE(first, 0);
  EXPECT_GT(second, first);
  EXPECT_GT(third, second);
}

}  // namespace
