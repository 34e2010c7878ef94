// Frame classification, driven through the worker's own receive loop over savefiles
// written here: which frames count, into which counter, and with what size.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "collector/CaptureWorker.h"
#include "collector/FrameClassifier.h"
#include "tests/DebugOutputCapture.h"
#include "tests/TestSandbox.h"
#include "tests/collector_capture/CaptureTestSupport.h"

using Velunor::Quillon::CaptureWorker;
using Velunor::Quillon::CNicInfo;
using Velunor::Quillon::FrameClassifier;
using Velunor::Quillon::IpFilterHeader;
using namespace capture_test;

namespace {

constexpr char kMask64[] = "ffff:ffff:ffff:ffff::";
constexpr int kEthernet = Velunor::Quillon::kLinkTypeEthernet;
constexpr int kPPPoELink = Velunor::Quillon::kLinkTypePPPoE;

// The adapter of most rows: 192.168.1.2/24, 2001:db8:1::2 and fe80::2.
CNicInfo AdapterWithAddresses() {
  FakeAdapter adapter("veth-test", "Test adapter");
  adapter.IPv4("192.168.1.2", "255.255.255.0").IPv6("2001:db8:1::2", kMask64).IPv6("fe80::2", kMask64);
  return adapter.Nic();
}

// An adapter without IPv4 address: its IPv4 address is 0.0.0.0.
CNicInfo AdapterWithoutIPv4() {
  FakeAdapter adapter("veth-v6", "IPv6 only");
  adapter.IPv6("2001:db8:1::2", kMask64);
  return adapter.Nic();
}

IpFilterHeader Exclusions() {
  IpFilterHeader list;
  list.AddAddress(L"203.0.113.9");
  list.AddAddress(L"2001:db8:ff::9");
  return list;
}

Bytes Retyped(Bytes frame, std::uint16_t etherType) {
  frame[12] = static_cast<std::uint8_t>(etherType >> 8);
  frame[13] = static_cast<std::uint8_t>(etherType & 0xFF);
  return frame;
}

// Its payload reads like IPv4 in a session: only the discovery code keeps it from counting.
Bytes PPPoEDiscovery() {
  Bytes frame = PPPoEIPv4Frame("192.168.1.2", "8.8.8.8", 60);
  frame[15] = 0x09;  // discovery initiation
  return frame;
}

enum class Nic { kWithAddresses, kWithoutIPv4 };

struct FrameCase {
  const char* name;
  Bytes frame;
  TrafficCounts expected;
  int linkType = kEthernet;
  Nic nic = Nic::kWithAddresses;
  std::uint32_t wireLength = 0;
};

const TrafficCounts kNothing{0, 0, 0};
TrafficCounts Sent(std::uint64_t n) { return {n, 0, 0}; }
TrafficCounts Received(std::uint64_t n) { return {0, n, 0}; }
TrafficCounts Unknown(std::uint64_t n) { return {0, 0, n}; }

std::vector<FrameCase> Cases() {
  return {
      // IPv4 address classes
      {"own address to the same private block is local", IPv4Frame("192.168.1.2", "192.168.1.1"), kNothing},
      {"two different private blocks count", IPv4Frame("10.0.0.5", "192.168.0.1"), Unknown(100)},
      {"own address to a public server is sent", IPv4Frame("192.168.1.2", "8.8.8.8"), Sent(100)},
      {"a public server to the own address is received", IPv4Frame("8.8.8.8", "192.168.1.2", 1514), Received(1514)},
      {"172.16/12 upper bound is private", IPv4Frame("172.31.255.255", "172.16.0.1"), kNothing},
      {"172.32.0.0 is not private", IPv4Frame("172.32.0.0", "172.16.0.1"), Unknown(100)},
      {"172.15.255.255 is not private", IPv4Frame("172.15.255.255", "172.16.0.1"), Unknown(100)},
      {"10/8 bounds are private", IPv4Frame("10.255.255.255", "10.0.0.0"), kNothing},
      {"11.0.0.0 is not private", IPv4Frame("11.0.0.0", "10.0.0.1"), Unknown(100)},
      {"192.168/16 bounds are private", IPv4Frame("192.168.255.255", "192.168.0.0"), kNothing},
      {"192.169.0.0 is not private", IPv4Frame("192.169.0.0", "192.168.0.1"), Unknown(100)},
      {"multicast destination", IPv4Frame("192.168.1.2", "224.0.0.251"), kNothing},
      {"multicast source", IPv4Frame("224.0.0.251", "192.168.1.2"), kNothing},
      {"multicast upper bound", IPv4Frame("192.168.1.2", "239.255.255.255"), kNothing},
      {"240.0.0.1 is not multicast", IPv4Frame("192.168.1.2", "240.0.0.1"), Sent(100)},
      {"223.255.255.255 is not multicast", IPv4Frame("192.168.1.2", "223.255.255.255"), Sent(100)},
      {"broadcast from another host is unknown", IPv4Frame("10.0.0.9", "255.255.255.255"), Unknown(100)},
      {"broadcast from the own address is sent", IPv4Frame("192.168.1.2", "255.255.255.255"), Sent(100)},
      {"an adapter without IPv4 sends from 0.0.0.0", IPv4Frame("0.0.0.0", "255.255.255.255", 342), Sent(342),
       kEthernet, Nic::kWithoutIPv4},
      {"to an excluded address", IPv4Frame("192.168.1.2", "203.0.113.9"), kNothing},
      {"from an excluded address", IPv4Frame("203.0.113.9", "192.168.1.2"), kNothing},
      // The snapshot holds the headers only; the length on the wire counts, also beyond 65535
      {"the wire length counts, not the captured length", IPv4Frame("192.168.1.2", "8.8.8.8", 96), Sent(1514),
       kEthernet, Nic::kWithAddresses, 1514},
      {"an aggregate beyond 65535 bytes counts whole", IPv4Frame("8.8.8.8", "192.168.1.2", 128), Received(70000),
       kEthernet, Nic::kWithAddresses, 70000},
      {"IPv6 aggregate beyond 65535 bytes", IPv6Frame("2001:db8:1::2", "2001:4860::8888", 128), Sent(200000),
       kEthernet, Nic::kWithAddresses, 200000},
      {"PPPoE aggregate beyond 65535 bytes", PPPoEIPv4Frame("192.168.1.2", "8.8.8.8", 128), Unknown(69992),
       kEthernet, Nic::kWithAddresses, 70000},
      // IPv6 address classes
      {"two link-local addresses are local", IPv6Frame("fe80::1", "fe80::2"), kNothing},
      {"fe80:0:0:1::1 is not link-local", IPv6Frame("fe80:0:0:1::1", "fe80::2"), Received(100)},
      {"IPv6 multicast destination", IPv6Frame("2001:db8:1::2", "ff02::1"), kNothing},
      {"IPv6 own address to a server is sent", IPv6Frame("2001:db8:1::2", "2001:4860::8888"), Sent(100)},
      {"IPv6 server to the own address is received", IPv6Frame("2001:4860::8888", "2001:db8:1::2"), Received(100)},
      {"IPv6 of neither side is unknown", IPv6Frame("2001:4860::1", "2001:4860::2"), Unknown(100)},
      {"IPv6 to an excluded address", IPv6Frame("2001:db8:1::2", "2001:db8:ff::9"), kNothing},
      {"IPv6 from an excluded address", IPv6Frame("2001:db8:ff::9", "2001:db8:1::2"), kNothing},
      {"an address sharing only the excluded one's last eight bytes counts",
       IPv6Frame("2001:db9:ff::9", "2001:db8:1::2"), Received(100)},
      // PPPoE sessions: size less 8, always unknown
      {"PPPoE IPv4 to a public server", PPPoEIPv4Frame("192.168.1.2", "8.8.8.8"), Unknown(92)},
      {"PPPoE IPv4 has no local pair", PPPoEIPv4Frame("192.168.1.2", "192.168.1.1"), Unknown(92)},
      {"PPPoE IPv4 multicast", PPPoEIPv4Frame("192.168.1.2", "224.0.0.1"), kNothing},
      {"PPPoE IPv4 excluded source", PPPoEIPv4Frame("203.0.113.9", "192.168.1.2"), kNothing},
      {"PPPoE IPv6 to a server", PPPoEIPv6Frame("2001:db8:1::2", "2001:4860::8888"), Unknown(92)},
      {"PPPoE IPv6 multicast", PPPoEIPv6Frame("2001:db8:1::2", "ff02::1"), kNothing},
      {"PPPoE IPv6 excluded destination", PPPoEIPv6Frame("2001:db8:1::2", "2001:db8:ff::9"), kNothing},
      {"PPPoE link control", PPPoEFrame(0xC021), kNothing},
      // Other frames
      {"VLAN-tagged IPv4", Retyped(IPv4Frame("192.168.1.2", "8.8.8.8"), 0x8100), kNothing},
      {"ARP", EthernetFrame(0x0806, 60), kNothing},
      {"PPPoE discovery", Retyped(PPPoEDiscovery(), 0x8863), kNothing},
      // Frames too short for the fields of their kind
      {"shorter than an Ethernet header", EthernetFrame(0x0800, 13), kNothing},
      {"IPv4 without the last destination byte", IPv4Frame("192.168.1.2", "8.8.8.8", 33), kNothing},
      {"IPv4 ending with the destination", IPv4Frame("192.168.1.2", "8.8.8.8", 34), Sent(34)},
      {"IPv6 without the last destination byte", IPv6Frame("2001:db8:1::2", "2001:4860::8888", 53), kNothing},
      {"IPv6 ending with the destination", IPv6Frame("2001:db8:1::2", "2001:4860::8888", 54), Sent(54)},
      {"PPPoE without its protocol", PPPoEFrame(0x0021, 21), kNothing},
      {"PPPoE IPv4 cut short", PPPoEIPv4Frame("192.168.1.2", "8.8.8.8", 41), kNothing},
      {"PPPoE IPv4 ending with the destination", PPPoEIPv4Frame("192.168.1.2", "8.8.8.8", 42), Unknown(34)},
      {"PPPoE IPv6 cut short", PPPoEIPv6Frame("2001:db8:1::2", "2001:4860::8888", 61), kNothing},
      {"PPPoE IPv6 ending with the destination", PPPoEIPv6Frame("2001:db8:1::2", "2001:4860::8888", 62),
       Unknown(54)},
      // A PPPoE link: frames start with the PPPoE header and count as they would on Ethernet
      {"PPPoE link IPv4", WithoutEthernetHeader(PPPoEIPv4Frame("192.168.1.2", "8.8.8.8")), Unknown(92), kPPPoELink},
      {"PPPoE link IPv6", WithoutEthernetHeader(PPPoEIPv6Frame("2001:4860::1", "2001:db8:1::2", 1294)),
       Unknown(1286), kPPPoELink},
      {"PPPoE link multicast", WithoutEthernetHeader(PPPoEIPv4Frame("192.168.1.2", "224.0.0.1")), kNothing,
       kPPPoELink},
      {"PPPoE link control on a PPPoE link", WithoutEthernetHeader(PPPoEFrame(0xC021)), kNothing, kPPPoELink},
      {"PPPoE discovery on a PPPoE link", WithoutEthernetHeader(PPPoEDiscovery()), kNothing, kPPPoELink},
      {"PPPoE link frame cut short", WithoutEthernetHeader(PPPoEIPv4Frame("192.168.1.2", "8.8.8.8", 41)), kNothing,
       kPPPoELink},
      {"PPPoE link aggregate beyond 65535 bytes", WithoutEthernetHeader(PPPoEIPv6Frame("2001:4860::1", "2001:db8:1::2", 142)),
       Unknown(70006), kPPPoELink, Nic::kWithAddresses, 70000},
  };
}

class Classification : public ::testing::Test {
 protected:
  TrafficCounts Run(const std::vector<SavedFrame>& frames, int linkType, Nic nic) {
    const std::string path = (folder.path() / "frames.pcap").string();
    WriteSavefile(path, linkType, frames);
    CaptureWorker worker(nic == Nic::kWithAddresses ? AdapterWithAddresses() : AdapterWithoutIPv4(), Exclusions(),
                         1, 1000);
    ReceiveSavefile(worker, path);
    return worker.TakeCounts();
  }
  corvane_test::TempFolder folder;
};

TEST_F(Classification, CountsEachFrameIntoTheRightCounter) {
  for (const FrameCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Run({{c.frame, c.wireLength}}, c.linkType, c.nic), c.expected);
  }
}

TEST_F(Classification, ASavefileOfManyFramesCountsTheirSum) {
  std::vector<SavedFrame> frames;
  TrafficCounts expected;
  for (const FrameCase& c : Cases()) {
    if (c.linkType == kEthernet && c.nic == Nic::kWithAddresses) {
      frames.push_back({c.frame, c.wireLength});
      expected += c.expected;
    }
  }
  EXPECT_EQ(Run(frames, kEthernet, Nic::kWithAddresses), expected);
}

// The live capture hands over only the first kSnapshotLength bytes of a frame: every row
// of the table, its frame made long and then cut there, must count as the whole frame does.
TEST_F(Classification, FramesCutAtTheSnapshotLengthCountAsWholeFrames) {
  const std::size_t snapshot = CaptureWorker::kSnapshotLength;
  for (const FrameCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    Bytes whole = c.frame;
    if (whole.size() < 1400) whole.resize(1400, 0x5A);
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(snapshot));
    const std::uint32_t wire = static_cast<std::uint32_t>(whole.size());
    EXPECT_EQ(Run({{cut, wire}}, c.linkType, c.nic), Run({{whole}}, c.linkType, c.nic));
  }
}

// Every cut of a frame, in a buffer exactly that long, so a read past its end is
// caught by the address sanitizer build.
TEST_F(Classification, NeverReadsBeyondTheCapturedLength) {
  struct Kind {
    const char* name;
    Bytes frame;
    std::size_t shortest;  // the first length that holds every field the kind reads
    std::uint32_t overhead;
  };
  const Kind kinds[] = {
      {"IPv4", IPv4Frame("8.8.8.8", "8.8.4.4", 60), 34, 0},
      {"IPv6", IPv6Frame("2001:4860::1", "2001:4860::2", 80), 54, 0},
      {"PPPoE IPv4", PPPoEIPv4Frame("8.8.8.8", "8.8.4.4", 60), 42, 8},
      {"PPPoE IPv6", PPPoEIPv6Frame("2001:4860::1", "2001:4860::2", 80), 62, 8},
  };
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    const FrameClassifier classifier(AdapterWithAddresses(), IpFilterHeader());
    TrafficCounts counts;
    std::uint64_t expected = 0;
    for (std::size_t length = 0; length <= kind.frame.size(); ++length) {
      const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[length == 0 ? 1 : length]);
      std::copy(kind.frame.begin(), kind.frame.begin() + static_cast<long>(length), exact.get());
      pcap_pkthdr header{};
      header.caplen = static_cast<bpf_u_int32>(length);
      header.len = static_cast<bpf_u_int32>(kind.frame.size());
      classifier.DispatchFrame(header, exact.get(), counts);
      if (length >= kind.shortest) {
        expected += kind.frame.size() - kind.overhead;
      }
    }
    EXPECT_EQ(counts, (TrafficCounts{0, 0, expected}));
  }
}

TEST_F(Classification, TheEndOfTheFileEndsTheLoopAndTheCountsStayTakeable) {
  corvane_test::DebugOutputCapture capture;
  const std::string path = (folder.path() / "three.pcap").string();
  WriteSavefile(path, kEthernet,
                {{IPv4Frame("192.168.1.2", "8.8.8.8", 1000)},
                 {IPv4Frame("8.8.8.8", "192.168.1.2", 1500)},
                 {IPv6Frame("2001:4860::1", "2001:4860::2", 200)}});
  CaptureWorker worker(AdapterWithAddresses(), IpFilterHeader(), 1, 1000);
  ReceiveSavefile(worker, path);

  // The settings report themselves there too; only the capture's own texts count.
  std::vector<std::wstring> debugOutput;
  for (const std::wstring& text : capture.Texts()) {
    if (text.rfind(L"パケット", 0) == 0) debugOutput.push_back(text);
  }
  ASSERT_EQ(debugOutput.size(), 1u);
  EXPECT_EQ(debugOutput[0].rfind(L"パケット受信に失敗しました。ERROR=[", 0), 0u);
  EXPECT_EQ(debugOutput[0].substr(debugOutput[0].size() - 2), L"]\n");
  EXPECT_EQ(worker.TakeCounts(), (TrafficCounts{1000, 1500, 200}));
  EXPECT_EQ(worker.TakeCounts(), kNothing);
}

TEST_F(Classification, AStopRequestedBeforeTheLoopReadsNothing) {
  const std::string path = (folder.path() / "one.pcap").string();
  WriteSavefile(path, kEthernet, {{IPv4Frame("192.168.1.2", "8.8.8.8", 1000)}});
  CaptureWorker worker(AdapterWithAddresses(), IpFilterHeader(), 1, 1000);
  worker.SetStopFlag(1);
  ReceiveSavefile(worker, path);
  EXPECT_EQ(worker.TakeCounts(), kNothing);
}

TEST(CaptureWorkerLifecycle, AWorkerWhoseAdapterCannotBeOpenedEndsByItself) {
  FakeAdapter adapter("no-such-nic0", "missing");
  adapter.IPv4("10.0.0.1", "255.255.255.255");
  CaptureWorker worker(adapter.Nic(), IpFilterHeader(), 1, 1000);
  worker.Start();
  worker.Stop();
  worker.Stop();
  EXPECT_EQ(worker.TakeCounts(), kNothing);
}

TEST(CaptureWorkerLifecycle, BufferSharesBecomeDecimalMegabytesAndNeverOverflow) {
  const struct {
    int megabytes;
    int bytes;
  } cases[] = {
      {1, 1000000}, {16, 16000000}, {32, 32000000}, {2147, 2147000000}, {2148, 2147483647}, {1000000, 2147483647},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CaptureWorker::BufferBytes(c.megabytes), c.bytes) << c.megabytes;
  }
}

}  // namespace
