// The adapter descriptor: which library entries are accepted and what is kept of them,
// and the comparison that decides whether a running worker's adapter is unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "collector/NicInfo.h"
#include "tests/collector_capture/CaptureTestSupport.h"

using Velunor::Quillon::CNicInfo;
using Velunor::Quillon::NicIPv6Entry;
using capture_test::FakeAdapter;
using capture_test::IPv4;
using capture_test::IPv6;

namespace {

constexpr char kMask64[] = "ffff:ffff:ffff:ffff::";
constexpr char kMask128[] = "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff";

struct AcceptCase {
  const char* name;
  std::function<void(FakeAdapter&)> addresses;
  bpf_u_int32 flags;
  const char* description;
  int accepted;
  const char* ipv4;     // expected address, "0.0.0.0" for none
  const char* netmask;
  std::size_t ipv6Count;
};

TEST(NicInfo, AcceptsAdaptersWithAUsableAddressAndKeepsWhatTheLibraryListed) {
  const AcceptCase cases[] = {
      {"only IPv6 is enough", [](FakeAdapter& a) { a.IPv6("fe80::1", kMask64); }, 0, "veth", 1, "0.0.0.0", "0.0.0.0", 1},
      {"IPv4 without netmask is refused", [](FakeAdapter& a) { a.IPv4("10.0.0.1", nullptr); }, 0, "veth", 0,
       "0.0.0.0", "0.0.0.0", 0},
      {"last IPv4 with netmask wins",
       [](FakeAdapter& a) { a.IPv4("10.0.0.1", "255.0.0.0").IPv4("192.168.1.2", "255.255.255.0"); }, 0, "veth", 1,
       "192.168.1.2", "255.255.255.0", 0},
      {"an IPv4 entry without netmask does not replace one with",
       [](FakeAdapter& a) { a.IPv4("10.0.0.1", "255.0.0.0").IPv4("192.168.1.2", nullptr); }, 0, "veth", 1,
       "10.0.0.1", "255.0.0.0", 0},
      {"loopback is refused even with addresses", [](FakeAdapter& a) { a.IPv4("127.0.0.1", "255.0.0.0"); },
       PCAP_IF_LOOPBACK, "lo", 0, "0.0.0.0", "0.0.0.0", 0},
      {"no description is accepted", [](FakeAdapter& a) { a.IPv4("10.0.0.1", "255.255.255.255"); }, 0, nullptr, 1,
       "10.0.0.1", "255.255.255.255", 0},
      {"the same IPv6 address twice gives two entries",
       [](FakeAdapter& a) { a.IPv6("2001:db8::1", kMask64).IPv6("2001:db8::1", kMask64); }, 0, "veth", 1, "0.0.0.0",
       "0.0.0.0", 2},
      {"IPv6 without netmask is skipped", [](FakeAdapter& a) { a.IPv6("2001:db8::1", nullptr); }, 0, "veth", 0,
       "0.0.0.0", "0.0.0.0", 0},
      {"packet-layer and empty entries are ignored",
       [](FakeAdapter& a) { a.PacketAddress().EmptyAddressEntry().IPv4("10.0.0.1", "255.0.0.0"); }, 0, "veth", 1,
       "10.0.0.1", "255.0.0.0", 0},
      {"only a packet-layer address is refused", [](FakeAdapter& a) { a.PacketAddress(); }, 0, "any", 0, "0.0.0.0",
       "0.0.0.0", 0},
      {"no addresses at all is refused", [](FakeAdapter&) {}, 0, "nflog", 0, "0.0.0.0", "0.0.0.0", 0},
  };
  for (const AcceptCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeAdapter adapter("veth0", c.description, c.flags);
    c.addresses(adapter);
    CNicInfo nic;
    EXPECT_EQ(nic.SetFromPcapIf(adapter.Entry()), c.accepted);
    EXPECT_EQ(nic.GetName(), L"veth0");
    if (c.description != nullptr) {
      EXPECT_EQ(nic.GetDescription(), std::wstring(c.description, c.description + std::strlen(c.description)));
    }
    EXPECT_EQ(nic.GetIPv4Address(), IPv4(c.ipv4));
    EXPECT_EQ(nic.GetNetmask(), IPv4(c.netmask));
    EXPECT_EQ(nic.IPv6Entries().size(), c.ipv6Count);
  }
}

// Linux interfaces mostly come without a description; the log lines still name them.
TEST(NicInfo, TheNameStandsInForAMissingOrEmptyDescription) {
  const struct {
    const char* description;
    const wchar_t* shown;
  } cases[] = {{nullptr, L"enp3s0"}, {"", L"enp3s0"}, {"USB Ethernet", L"USB Ethernet"}};
  for (const auto& c : cases) {
    FakeAdapter adapter("enp3s0", c.description);
    adapter.IPv4("10.0.0.1", "255.0.0.0");
    EXPECT_EQ(adapter.Nic().GetDescription(), c.shown) << (c.description ? c.description : "(none)");
  }
}

TEST(NicInfo, RefusesEntriesWithoutAName) {
  CNicInfo nic;
  EXPECT_EQ(nic.SetFromPcapIf(nullptr), 0);
  FakeAdapter unnamed("");
  unnamed.IPv4("10.0.0.1", "255.0.0.0");
  EXPECT_EQ(nic.SetFromPcapIf(unnamed.Entry()), 0);
  EXPECT_EQ(nic.GetIPv4Address(), 0u);
}

TEST(NicInfo, KeepsNamesInUtf8AndAddressBytesAsListed) {
  FakeAdapter adapter("wlan-\xC3\xA9", "Funk \xE6\x97\xA5\xE6\x9C\xAC");
  adapter.IPv6("2001:db8::1", kMask64).IPv6("fe80::1", kMask128);
  const CNicInfo nic = adapter.Nic();
  EXPECT_EQ(nic.GetName(), L"wlan-\u00E9");
  EXPECT_EQ(nic.GetDescription(), L"Funk \u65E5\u672C");
  const std::vector<NicIPv6Entry>& list = nic.IPv6Entries();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].address, IPv6("2001:db8::1"));
  EXPECT_EQ(list[0].netmask, IPv6(kMask64));
  EXPECT_EQ(list[1].address, IPv6("fe80::1"));

  CNicInfo copy(nic);
  EXPECT_EQ(copy.IsSame(nic), 1);
}

struct CompareCase {
  const char* name;
  std::function<void(FakeAdapter&)> running;  // addresses of the worker's descriptor
  std::function<void(FakeAdapter&)> listed;   // addresses of the freshly listed one
  const char* listedName;
  const char* listedDescription;
  int sameName;
  int same;
};

TEST(NicInfo, ARunningAdapterIsUnchangedOnlyWhenItLostNothing) {
  const auto base = [](FakeAdapter& a) { a.IPv4("192.168.1.2", "255.255.255.0").IPv6("2001:db8::1", kMask64); };
  const CompareCase cases[] = {
      {"identical", base, base, "eth0", "Ethernet", 1, 1},
      {"name differs only in letter case", base, base, "ETH0", "Ethernet", 0, 0},
      {"description differs", base, base, "eth0", "Ethernet 2", 1, 0},
      {"new IPv4 address", base,
       [](FakeAdapter& a) { a.IPv4("192.168.1.3", "255.255.255.0").IPv6("2001:db8::1", kMask64); }, "eth0",
       "Ethernet", 1, 0},
      {"new netmask", base,
       [](FakeAdapter& a) { a.IPv4("192.168.1.2", "255.255.0.0").IPv6("2001:db8::1", kMask64); }, "eth0", "Ethernet",
       1, 0},
      {"gained an IPv6 address", base,
       [](FakeAdapter& a) {
         a.IPv4("192.168.1.2", "255.255.255.0").IPv6("2001:db8::2", kMask64).IPv6("2001:db8::1", kMask64);
       },
       "eth0", "Ethernet", 1, 1},
      {"lost an IPv6 address",
       [](FakeAdapter& a) {
         a.IPv4("192.168.1.2", "255.255.255.0").IPv6("2001:db8::1", kMask64).IPv6("2001:db8::2", kMask64);
       },
       base, "eth0", "Ethernet", 1, 0},
      {"same IPv6 address under another netmask", base,
       [](FakeAdapter& a) { a.IPv4("192.168.1.2", "255.255.255.0").IPv6("2001:db8::1", kMask128); }, "eth0",
       "Ethernet", 1, 0},
      {"IPv4 address gone", base, [](FakeAdapter& a) { a.IPv6("2001:db8::1", kMask64); }, "eth0", "Ethernet", 1, 0},
  };
  for (const CompareCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeAdapter runningAdapter("eth0", "Ethernet");
    c.running(runningAdapter);
    FakeAdapter listedAdapter(c.listedName, c.listedDescription);
    c.listed(listedAdapter);
    const CNicInfo running = runningAdapter.Nic();
    const CNicInfo listed = listedAdapter.Nic();
    EXPECT_EQ(running.IsSameName(listed.GetName()), c.sameName);
    EXPECT_EQ(running.IsSame(listed), c.same);
    EXPECT_EQ(listed.Equals(running), c.same == 1);
  }
}

}  // namespace
