// Live capture between two network namespaces joined by a veth pair: the counts of both
// sides' workers against the datagrams sent and the kernel's own interface counters.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>

#include "collector/NicManager.h"
#include "tests/collector_capture/LiveCaptureSupport.h"
#include "tests/NetworkNamespace.h"

using Velunor::Quillon::CNicManager;
using Velunor::Quillon::IpFilterHeader;
using namespace capture_test;

namespace {

// Addresses from two different private blocks, so their traffic is counted.
constexpr char kAddressA[] = "10.77.0.1";
constexpr char kAddressB[] = "192.168.77.1";
// Routed to B's link but not B's own address.
constexpr char kOtherAddressB[] = "192.168.77.9";
constexpr std::uint16_t kPort = 47701;
constexpr std::size_t kPayload = 1000;
// Ethernet 14 + IPv4 20 + UDP 8 + payload.
constexpr std::uint64_t kFrameBytes = 14 + 20 + 8 + kPayload;
constexpr int kDatagrams = 200;

class TwoNamespaces : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = NetworkNamespace::WhyUnavailable();
    if (!why.empty()) {
      GTEST_SKIP() << why;
    }
    a = std::make_unique<NetworkNamespace>("a");
    b = std::make_unique<NetworkNamespace>("b");
    ASSERT_TRUE(a->IsReady() && b->IsReady());
    ASSERT_TRUE(a->Ip("link add vA address 02:00:00:77:00:01 type veth peer name vB address 02:00:00:77:00:02 netns " +
                      b->Name()));
    // No IPv6 and fixed neighbours: the datagrams are the only frames on the link, so the
    // kernel's counters count exactly what the workers should.
    ASSERT_TRUE(a->Exec("sysctl -q -w net.ipv6.conf.vA.disable_ipv6=1"));
    ASSERT_TRUE(b->Exec("sysctl -q -w net.ipv6.conf.vB.disable_ipv6=1"));
    ASSERT_TRUE(a->Ip(std::string("addr add ") + kAddressA + "/32 dev vA"));
    ASSERT_TRUE(b->Ip(std::string("addr add ") + kAddressB + "/32 dev vB"));
    ASSERT_TRUE(a->Ip("link set vA up") && b->Ip("link set vB up"));
    ASSERT_TRUE(a->Ip(std::string("route add ") + kAddressB + "/32 dev vA"));
    ASSERT_TRUE(a->Ip(std::string("route add ") + kOtherAddressB + "/32 dev vA"));
    ASSERT_TRUE(b->Ip(std::string("route add ") + kAddressA + "/32 dev vB"));
    ASSERT_TRUE(a->Ip(std::string("neigh add ") + kAddressB + " lladdr 02:00:00:77:00:02 dev vA nud permanent"));
    ASSERT_TRUE(a->Ip(std::string("neigh add ") + kOtherAddressB + " lladdr 02:00:00:77:00:02 dev vA nud permanent"));
    ASSERT_TRUE(b->Ip(std::string("neigh add ") + kAddressA + " lladdr 02:00:00:77:00:01 dev vB nud permanent"));
    // A listening socket, so B answers no datagram with an ICMP error.
    receiver = OpenUdpSocket(*b);
    ASSERT_TRUE(receiver >= 0 && BindUdp(receiver, "0.0.0.0", kPort));
    sender = OpenUdpSocket(*a);
    ASSERT_GE(sender, 0);
  }

  void TearDown() override {
    managerA.reset();
    managerB.reset();
    if (sender >= 0) close(sender);
    if (receiver >= 0) close(receiver);
  }

  void StartManagers() {
    {
      NamespaceScope inside(*a);
      ASSERT_TRUE(inside.IsEntered());
      managerA = std::make_unique<CNicManager>(64, kLiveReadTimeoutMs, filterA);
      managerA->WatchNics();
    }
    {
      NamespaceScope inside(*b);
      ASSERT_TRUE(inside.IsEntered());
      managerB = std::make_unique<CNicManager>(64, kLiveReadTimeoutMs, filterB);
      managerB->WatchNics();
    }
    ASSERT_EQ(managerA->GetWorkers().size(), 1u);
    ASSERT_EQ(managerB->GetWorkers().size(), 1u);
    EXPECT_EQ(managerA->GetWorkers().front()->GetNic().GetName(), L"vA");
    EXPECT_EQ(managerB->GetWorkers().front()->GetNic().GetName(), L"vB");
    TrafficCounts seenA;
    TrafficCounts seenB;
    ASSERT_TRUE(WarmUp([&] { SendDatagrams(sender, kAddressB, kPort, 10, 1); },
                       [&] {
                         seenA += managerA->CollectCounts();
                         seenB += managerB->CollectCounts();
                         return seenA.sent > 0 && seenB.received > 0;
                       },
                       [&] {
                         managerA->CollectCounts();
                         managerB->CollectCounts();
                       }))
        << "the workers never counted a probe";
  }

  InterfaceCounters Counters(const NetworkNamespace& space, const char* interface) {
    InterfaceCounters counters;
    EXPECT_TRUE(ReadInterfaceCounters(space, interface, counters));
    return counters;
  }

  std::unique_ptr<NetworkNamespace> a;
  std::unique_ptr<NetworkNamespace> b;
  IpFilterHeader filterA;
  IpFilterHeader filterB;
  std::unique_ptr<CNicManager> managerA;
  std::unique_ptr<CNicManager> managerB;
  int sender = -1;
  int receiver = -1;
};

TEST_F(TwoNamespaces, DatagramsCountExactlyAsSentOnOneSideAndReceivedOnTheOther) {
  StartManagers();
  if (HasFatalFailure()) return;
  const InterfaceCounters beforeA = Counters(*a, "vA");
  const InterfaceCounters beforeB = Counters(*b, "vB");

  ASSERT_TRUE(SendDatagrams(sender, kAddressB, kPort, kPayload, kDatagrams));
  const std::uint64_t expected = kDatagrams * kFrameBytes;
  const TrafficCounts countedA = CollectUntil(*managerA, [&](const TrafficCounts& c) { return c.sent >= expected; });
  const TrafficCounts countedB = CollectUntil(*managerB, [&](const TrafficCounts& c) { return c.received >= expected; });

  EXPECT_EQ(countedA, (TrafficCounts{expected, 0, 0}));
  EXPECT_EQ(countedB, (TrafficCounts{0, expected, 0}));
  const InterfaceCounters afterA = Counters(*a, "vA");
  const InterfaceCounters afterB = Counters(*b, "vB");
  EXPECT_EQ(afterA.txBytes - beforeA.txBytes, countedA.sent);
  EXPECT_EQ(afterA.txPackets - beforeA.txPackets, static_cast<std::uint64_t>(kDatagrams));
  EXPECT_EQ(afterB.rxBytes - beforeB.rxBytes, countedB.received);
  EXPECT_EQ(afterA.rxBytes - beforeA.rxBytes, 0u);
}

TEST_F(TwoNamespaces, TrafficToAnExcludedAddressCountsNothing) {
  filterA.AddAddress(L"192.168.77.9");
  StartManagers();
  if (HasFatalFailure()) return;
  const InterfaceCounters beforeA = Counters(*a, "vA");

  constexpr int kMarkers = 5;
  ASSERT_TRUE(SendDatagrams(sender, kOtherAddressB, kPort, kPayload, kDatagrams));
  // Frames are read in order: once the markers that follow are counted, the excluded
  // frames before them have been classified too.
  ASSERT_TRUE(SendDatagrams(sender, kAddressB, kPort, kPayload, kMarkers));
  const std::uint64_t markerBytes = kMarkers * kFrameBytes;
  const TrafficCounts countedA = CollectUntil(*managerA, [&](const TrafficCounts& c) { return c.sent >= markerBytes; });
  const TrafficCounts countedB = CollectUntil(*managerB, [&](const TrafficCounts& c) { return c.received >= markerBytes; });

  EXPECT_EQ(countedA, (TrafficCounts{markerBytes, 0, 0}));
  // B excludes nothing: the same frames reached it, addressed to neither of its addresses.
  EXPECT_EQ(countedB, (TrafficCounts{0, markerBytes, kDatagrams * kFrameBytes}));
  const InterfaceCounters afterA = Counters(*a, "vA");
  EXPECT_EQ(afterA.txBytes - beforeA.txBytes, (kDatagrams + kMarkers) * kFrameBytes);
}

// The ring hands over a block that is not full only after the read timeout: frames sent
// right before a stop are still in it when the stop comes, and reach the final collection.
TEST_F(TwoNamespaces, FramesSentJustBeforeAStopAreInTheFinalCollection) {
  StartManagers();
  if (HasFatalFailure()) return;
  const InterfaceCounters beforeA = Counters(*a, "vA");

  ASSERT_TRUE(SendDatagrams(sender, kAddressB, kPort, kPayload, kDatagrams));
  managerA->RetireAll();
  managerB->RetireAll();

  const std::uint64_t expected = kDatagrams * kFrameBytes;
  EXPECT_EQ(managerA->CollectCounts(), (TrafficCounts{expected, 0, 0}));
  EXPECT_EQ(managerB->CollectCounts(), (TrafficCounts{0, expected, 0}));
  EXPECT_EQ(Counters(*a, "vA").txBytes - beforeA.txBytes, expected);
}

}  // namespace
