// The adapter manager against the capture library's real enumeration inside network
// namespaces made here: adapters appear, change and vanish between watch steps.
#include <gtest/gtest.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "collector/NicManager.h"
#include "tests/collector_capture/LiveCaptureSupport.h"
#include "tests/NetworkNamespace.h"

using Velunor::Quillon::CaptureWorker;
using Velunor::Quillon::CNicInfo;
using Velunor::Quillon::CNicManager;
using Velunor::Quillon::IpFilterHeader;
using namespace capture_test;

namespace {

constexpr std::uint16_t kPort = 47702;
constexpr std::size_t kPayload = 500;
constexpr std::uint64_t kFrameBytes = 14 + 20 + 8 + kPayload;
constexpr char kPeerAddress[] = "192.168.78.1";

class ManagerInNamespace : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = NetworkNamespace::WhyUnavailable();
    if (!why.empty()) {
      GTEST_SKIP() << why;
    }
    measured = std::make_unique<NetworkNamespace>("m");
    peer = std::make_unique<NetworkNamespace>("p");
    ASSERT_TRUE(measured->IsReady() && peer->IsReady());
  }

  void TearDown() override {
    manager.reset();
    if (sender >= 0) close(sender);
    if (receiver >= 0) close(receiver);
  }

  void MakeManager(int bufferMB) {
    NamespaceScope inside(*measured);
    ASSERT_TRUE(inside.IsEntered());
    manager = std::make_unique<CNicManager>(bufferMB, kLiveReadTimeoutMs, filter);
  }

  // Capture threads start on the calling thread's namespace, so every step runs inside.
  void Watch() {
    NamespaceScope inside(*measured);
    ASSERT_TRUE(inside.IsEntered());
    manager->WatchNics();
  }

  const CaptureWorker* OnlyWorker() {
    return manager->GetWorkers().size() == 1 ? manager->GetWorkers().front().get() : nullptr;
  }

  std::vector<IpFilterHeader::IPv6Address> IPv6Of(const CaptureWorker& worker) {
    std::vector<IpFilterHeader::IPv6Address> addresses;
    for (const auto& entry : worker.GetNic().IPv6Entries()) addresses.push_back(entry.address);
    return addresses;
  }

  void SendAndSettle(int datagrams) {
    ASSERT_TRUE(SendDatagrams(sender, kPeerAddress, kPort, kPayload, datagrams));
    std::this_thread::sleep_for(kSettleTime);
  }

  void WarmUpWorker() {
    TrafficCounts seen;
    ASSERT_TRUE(WarmUp([&] { SendDatagrams(sender, kPeerAddress, kPort, 10, 1); },
                       [&] {
                         seen += manager->CollectCounts();
                         return seen.sent > 0;
                       },
                       [&] { manager->CollectCounts(); }))
        << "the worker never counted a probe";
  }

  // The veth mV (10.77.1.1, no IPv6) joined to pV in the peer namespace, with fixed
  // routes and neighbours, and the sockets; mV is left down when up is false.
  void MakeLink(bool up) {
    ASSERT_TRUE(measured->Ip("link add mV address 02:00:00:78:00:01 type veth peer name pV address "
                             "02:00:00:78:00:02 netns " + peer->Name()));
    ASSERT_TRUE(measured->Exec("sysctl -q -w net.ipv6.conf.mV.disable_ipv6=1"));
    ASSERT_TRUE(peer->Exec("sysctl -q -w net.ipv6.conf.pV.disable_ipv6=1"));
    ASSERT_TRUE(measured->Ip("addr add 10.77.1.1/32 dev mV"));
    ASSERT_TRUE(peer->Ip(std::string("addr add ") + kPeerAddress + "/32 dev pV"));
    ASSERT_TRUE(peer->Ip("link set pV up"));
    if (up) {
      ASSERT_NO_FATAL_FAILURE(BringUp());
    }
    if (receiver < 0) {
      receiver = OpenUdpSocket(*peer);
      ASSERT_TRUE(receiver >= 0 && BindUdp(receiver, "0.0.0.0", kPort));
    }
    if (sender < 0) sender = OpenUdpSocket(*measured);
    ASSERT_GE(sender, 0);
  }

  void BringUp() {
    ASSERT_TRUE(measured->Ip("link set mV up"));
    ASSERT_TRUE(measured->Ip(std::string("route add ") + kPeerAddress + "/32 dev mV"));
    ASSERT_TRUE(
        measured->Ip(std::string("neigh add ") + kPeerAddress + " lladdr 02:00:00:78:00:02 dev mV nud permanent"));
    ASSERT_TRUE(peer->Ip("route replace 10.77.1.0/24 dev pV"));
  }

  // Waits until the one worker's capture thread has got as far as the state.
  bool WaitForState(CaptureWorker::State state) {
    for (int i = 0; i < 100; ++i) {
      if (manager->GetWorkers().size() == 1 && manager->GetWorkers().front()->GetState() == state) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  std::unique_ptr<NetworkNamespace> measured;
  std::unique_ptr<NetworkNamespace> peer;
  IpFilterHeader filter;
  std::unique_ptr<CNicManager> manager;
  int sender = -1;
  int receiver = -1;
};

TEST_F(ManagerInNamespace, RetiresAndRestartsWorkersAsTheAdapterChangesWithoutLosingCounts) {
  MakeManager(64);
  if (HasFatalFailure()) return;
  Watch();
  EXPECT_TRUE(manager->GetWorkers().empty()) << "only loopback and pseudo-devices so far";

  // The adapter appears: no automatic IPv6 address, so its addresses are only ours.
  ASSERT_TRUE(measured->Ip("link add mV address 02:00:00:78:00:01 type veth peer name pV address "
                           "02:00:00:78:00:02 netns " + peer->Name()));
  ASSERT_TRUE(measured->Ip("link set mV addrgenmode none"));
  ASSERT_TRUE(peer->Exec("sysctl -q -w net.ipv6.conf.pV.disable_ipv6=1"));
  ASSERT_TRUE(measured->Ip("addr add 10.77.1.1/32 dev mV"));
  ASSERT_TRUE(measured->Ip("-6 addr add fd77::1/128 dev mV nodad"));
  ASSERT_TRUE(measured->Ip("link set mV up") && peer->Ip("link set pV up"));
  ASSERT_TRUE(measured->Ip(std::string("route add ") + kPeerAddress + "/32 dev mV"));
  ASSERT_TRUE(measured->Ip(std::string("neigh add ") + kPeerAddress + " lladdr 02:00:00:78:00:02 dev mV nud permanent"));
  ASSERT_TRUE(peer->Ip(std::string("addr add ") + kPeerAddress + "/32 dev pV"));
  ASSERT_TRUE(peer->Ip("route add 10.77.1.0/24 dev pV"));
  receiver = OpenUdpSocket(*peer);
  ASSERT_TRUE(receiver >= 0 && BindUdp(receiver, "0.0.0.0", kPort));
  sender = OpenUdpSocket(*measured);
  ASSERT_GE(sender, 0);

  Watch();
  const CaptureWorker* first = OnlyWorker();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetNic().GetName(), L"mV");
  EXPECT_EQ(first->GetNic().GetIPv4Address(), IPv4("10.77.1.1"));
  EXPECT_EQ(IPv6Of(*first), std::vector<IpFilterHeader::IPv6Address>{IPv6("fd77::1")});
  EXPECT_EQ(first->GetBufferMB(), 64);
  WarmUpWorker();
  if (HasFatalFailure()) return;

  // A new IPv4 address: the worker is retired, its counts kept for the next collection,
  // and a new one starts for the same device in the same step.
  SendAndSettle(50);
  ASSERT_TRUE(measured->Ip("addr del 10.77.1.1/32 dev mV") && measured->Ip("addr add 10.77.1.2/32 dev mV"));
  ASSERT_TRUE(measured->Ip(std::string("route replace ") + kPeerAddress + "/32 dev mV"));
  Watch();
  const CaptureWorker* second = OnlyWorker();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetNic().GetIPv4Address(), IPv4("10.77.1.2"));
  EXPECT_EQ(manager->CollectCounts(), (TrafficCounts{50 * kFrameBytes, 0, 0}));
  WarmUpWorker();
  if (HasFatalFailure()) return;

  // Gaining an IPv6 address keeps the worker.
  SendAndSettle(30);
  ASSERT_TRUE(measured->Ip("-6 addr add fd77::2/128 dev mV nodad"));
  Watch();
  // A replacement would list both addresses; the kept worker still has its old list.
  ASSERT_EQ(OnlyWorker(), second);
  EXPECT_EQ(IPv6Of(*second), std::vector<IpFilterHeader::IPv6Address>{IPv6("fd77::1")});
  EXPECT_EQ(manager->CollectCounts(), (TrafficCounts{30 * kFrameBytes, 0, 0}));

  // Losing one retires it.
  SendAndSettle(20);
  ASSERT_TRUE(measured->Ip("-6 addr del fd77::1/128 dev mV"));
  Watch();
  const CaptureWorker* third = OnlyWorker();
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(IPv6Of(*third), std::vector<IpFilterHeader::IPv6Address>{IPv6("fd77::2")});
  EXPECT_EQ(manager->CollectCounts(), (TrafficCounts{20 * kFrameBytes, 0, 0}));
  WarmUpWorker();
  if (HasFatalFailure()) return;

  // The adapter disappears: its worker's last counts still reach the next collection.
  SendAndSettle(10);
  ASSERT_TRUE(measured->Ip("link del mV"));
  Watch();
  EXPECT_TRUE(manager->GetWorkers().empty());
  EXPECT_EQ(manager->CollectCounts(), (TrafficCounts{10 * kFrameBytes, 0, 0}));
  EXPECT_EQ(manager->CollectCounts(), (TrafficCounts{0, 0, 0}));
}

// The library lists a link that is down with its addresses, so its worker is made and
// fails to open; it is tried again at every step and counts once the link comes up.
TEST_F(ManagerInNamespace, AnAdapterDownAtStartIsCapturedOnceItComesUp) {
  ASSERT_NO_FATAL_FAILURE(MakeLink(false));
  MakeManager(64);
  if (HasFatalFailure()) return;
  for (int step = 0; step < 3; ++step) {
    Watch();
    ASSERT_TRUE(WaitForState(CaptureWorker::State::kOpenFailed)) << "step " << step;
  }
  ASSERT_NO_FATAL_FAILURE(BringUp());
  Watch();
  ASSERT_TRUE(WaitForState(CaptureWorker::State::kCapturing));
  WarmUpWorker();
  if (HasFatalFailure()) return;

  InterfaceCounters before;
  ASSERT_TRUE(ReadInterfaceCounters(*measured, "mV", before));
  SendAndSettle(100);
  const TrafficCounts counted = CollectUntil(*manager, [](const TrafficCounts& c) { return c.sent >= 100 * kFrameBytes; });
  InterfaceCounters after;
  ASSERT_TRUE(ReadInterfaceCounters(*measured, "mV", after));
  EXPECT_EQ(counted, (TrafficCounts{100 * kFrameBytes, 0, 0}));
  EXPECT_EQ(after.txBytes - before.txBytes, 100 * kFrameBytes);
}

// An adapter removed and made again between two steps looks unchanged to the
// enumeration, but the capture of the old one ended: a new worker takes over, and what
// the old one counted still reaches the collection.
TEST_F(ManagerInNamespace, AWorkerWhoseAdapterWentAwayUnderItIsReplaced) {
  ASSERT_NO_FATAL_FAILURE(MakeLink(true));
  MakeManager(64);
  if (HasFatalFailure()) return;
  Watch();
  ASSERT_TRUE(WaitForState(CaptureWorker::State::kCapturing));
  WarmUpWorker();
  if (HasFatalFailure()) return;
  SendAndSettle(40);

  ASSERT_TRUE(measured->Ip("link del mV"));
  ASSERT_TRUE(WaitForState(CaptureWorker::State::kReceiveFailed));
  ASSERT_NO_FATAL_FAILURE(MakeLink(true));
  Watch();
  ASSERT_TRUE(WaitForState(CaptureWorker::State::kCapturing));
  EXPECT_EQ(manager->CollectCounts(), (TrafficCounts{40 * kFrameBytes, 0, 0}));
  WarmUpWorker();
  if (HasFatalFailure()) return;
  SendAndSettle(60);
  EXPECT_EQ(CollectUntil(*manager, [](const TrafficCounts& c) { return c.sent >= 60 * kFrameBytes; }),
            (TrafficCounts{60 * kFrameBytes, 0, 0}));
}

std::vector<std::wstring> FirstAcceptedNames(const NetworkNamespace& space, std::size_t limit) {
  NamespaceScope inside(space);
  std::vector<std::wstring> names;
  pcap_if_t* chain = nullptr;
  char error[PCAP_ERRBUF_SIZE] = {};
  if (!inside.IsEntered() || pcap_findalldevs(&chain, error) != 0) return names;
  for (const pcap_if_t* entry = chain; entry != nullptr && names.size() < limit; entry = entry->next) {
    CNicInfo nic;
    if (nic.SetFromPcapIf(entry) == 1) names.push_back(nic.GetName());
  }
  pcap_freealldevs(chain);
  return names;
}

TEST_F(ManagerInNamespace, CapturesTheFirstTenAdaptersAndSharesTheBufferPerStep) {
  const auto addAdapter = [&](int i) {
    const std::string name = "c" + std::to_string(i);
    return measured->Ip("link add " + name + " type veth peer name d" + std::to_string(i) + " netns " + peer->Name()) &&
           measured->Ip("addr add 10.78.0." + std::to_string(i + 1) + "/32 dev " + name) &&
           measured->Ip("link set " + name + " up");
  };
  MakeManager(64);
  if (HasFatalFailure()) return;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(addAdapter(i));
  Watch();
  ASSERT_EQ(manager->GetWorkers().size(), 3u);
  for (const auto& worker : manager->GetWorkers()) EXPECT_EQ(worker->GetBufferMB(), 21);

  for (int i = 3; i < 12; ++i) ASSERT_TRUE(addAdapter(i));
  Watch();
  ASSERT_EQ(manager->GetWorkers().size(), CNicManager::kMaxAdapters);
  std::vector<std::wstring> names;
  std::vector<const CaptureWorker*> workers;
  int index = 0;
  for (const auto& worker : manager->GetWorkers()) {
    // Running workers keep their share; the seven new ones get 64 / 10.
    EXPECT_EQ(worker->GetBufferMB(), index++ < 3 ? 21 : 6);
    names.push_back(worker->GetNic().GetName());
    workers.push_back(worker.get());
  }
  std::vector<std::wstring> expected = FirstAcceptedNames(*measured, CNicManager::kMaxAdapters);
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);

  // The next step sees the same ten and changes nothing.
  Watch();
  std::vector<const CaptureWorker*> again;
  for (const auto& worker : manager->GetWorkers()) again.push_back(worker.get());
  EXPECT_EQ(again, workers);
}

}  // namespace
