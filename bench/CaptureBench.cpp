// Frame classification speed, and the worker's whole receive path over a savefile
// against a bare pcap_dispatch loop over the same file that only sums wire lengths; each
// for an Ethernet link and for a link of PPPoE frames.
#include <benchmark/benchmark.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench/CaptureBenchSupport.h"
#include "collector/CaptureWorker.h"
#include "collector/FrameClassifier.h"
#include "tests/collector_capture/CaptureTestSupport.h"

using Velunor::Quillon::CaptureWorker;
using Velunor::Quillon::CNicInfo;
using Velunor::Quillon::FrameClassifier;
using Velunor::Quillon::IpFilterHeader;
using namespace capture_test;

using Velunor::Quillon::kLinkTypeEthernet;
using Velunor::Quillon::kLinkTypePPPoE;

namespace {

CNicInfo BenchAdapter() {
  FakeAdapter adapter("eth-bench", "Bench adapter");
  adapter.IPv4("192.168.1.2", "255.255.255.0").IPv6("2001:db8:1::2", "ffff:ffff:ffff:ffff::");
  return adapter.Nic();
}

IpFilterHeader BenchExclusions() {
  IpFilterHeader list;
  for (const wchar_t* address : {L"203.0.113.9", L"198.51.100.7", L"2001:db8:ff::9"}) list.AddAddress(address);
  return list;
}

// 100 frames: each kind of frame as many times as it is given, in this order.
std::vector<Bytes> Mix(const std::vector<std::pair<int, Bytes>>& kinds) {
  std::vector<Bytes> frames;
  for (const auto& [count, frame] : kinds) frames.insert(frames.end(), static_cast<std::size_t>(count), frame);
  return frames;
}

// A download-heavy mix: full-size frames in, acknowledgements out, some IPv6, some LAN
// and multicast chatter, ARP.
std::vector<Bytes> FrameMix() {
  return Mix({{60, IPv4Frame("93.184.216.34", "192.168.1.2", 1514)},
              {20, IPv4Frame("192.168.1.2", "93.184.216.34", 66)},
              {10, IPv6Frame("2606:2800:220:1::1", "2001:db8:1::2", 1294)},
              {5, IPv4Frame("192.168.1.2", "192.168.1.1", 342)},
              {3, IPv4Frame("192.168.1.7", "224.0.0.251", 120)},
              {2, EthernetFrame(0x0806, 60)}});
}

// The same line behind PPPoE: what a link of type 51 carries, or the session frames on
// the Ethernet adapter beneath it.
std::vector<Bytes> PPPoEMix() {
  return Mix({{60, PPPoEIPv4Frame("93.184.216.34", "192.168.1.2", 1506)},
              {20, PPPoEIPv4Frame("192.168.1.2", "93.184.216.34", 74)},
              {15, PPPoEIPv6Frame("2606:2800:220:1::1", "2001:db8:1::2", 1294)},
              {3, PPPoEIPv4Frame("192.168.1.2", "224.0.0.251", 120)},
              {2, PPPoEFrame(0xC021, 60)}});
}

std::vector<Bytes> Unframed(const std::vector<Bytes>& frames) {
  std::vector<Bytes> unframed;
  for (const Bytes& frame : frames) unframed.push_back(WithoutEthernetHeader(frame));
  return unframed;
}

void Classify(benchmark::State& state, const std::vector<Bytes>& frames) {
  std::vector<pcap_pkthdr> headers(frames.size());
  std::int64_t bytes = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    headers[i].caplen = headers[i].len = static_cast<bpf_u_int32>(frames[i].size());
    bytes += static_cast<std::int64_t>(frames[i].size());
  }
  const FrameClassifier classifier(BenchAdapter(), BenchExclusions());
  TrafficCounts counts;
  for (auto _ : state) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
      classifier.DispatchFrame(headers[i], frames[i].data(), counts);
    }
  }
  benchmark::DoNotOptimize(counts);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frames.size()));
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK_CAPTURE(Classify, ethernet, FrameMix());
BENCHMARK_CAPTURE(Classify, pppoe_on_ethernet, PPPoEMix());

// One savefile of 200,000 frames of a mix for each link type, written once.
constexpr std::int64_t kSavefileFrames = 200000;
std::string SavefilePath(int linkType) {
  return "/tmp/capture-bench-" + std::to_string(getpid()) + "-" + std::to_string(linkType) + ".pcap";
}
const std::string& Savefile(int linkType) {
  static std::map<int, std::string> written;
  auto found = written.find(linkType);
  if (found != written.end()) return found->second;
  const std::vector<Bytes> mix = linkType == kLinkTypePPPoE ? Unframed(PPPoEMix()) : FrameMix();
  std::vector<SavedFrame> frames;
  for (std::int64_t round = 0; round < kSavefileFrames / 100; ++round) {
    for (const Bytes& frame : mix) frames.push_back({frame, 0});
  }
  const std::string path = SavefilePath(linkType);
  WriteSavefile(path, linkType, frames);
  if (written.empty()) {
    std::atexit([] {
      for (int type : {kLinkTypeEthernet, kLinkTypePPPoE}) std::remove(SavefilePath(type).c_str());
    });
  }
  return written.emplace(linkType, path).first->second;
}

void WorkerReceivePath(benchmark::State& state, int linkType) {
  const std::string& path = Savefile(linkType);
  CaptureWorker worker(BenchAdapter(), BenchExclusions(), 1, 1000);
  for (auto _ : state) {
    ReceiveSavefile(worker, path);
  }
  TrafficCounts counts = worker.TakeCounts();
  benchmark::DoNotOptimize(counts);
  state.SetItemsProcessed(state.iterations() * kSavefileFrames);
}
BENCHMARK_CAPTURE(WorkerReceivePath, ethernet, kLinkTypeEthernet)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(WorkerReceivePath, pppoe_link, kLinkTypePPPoE)->Unit(benchmark::kMillisecond);

void BareDispatch(benchmark::State& state) {
  const std::string& path = Savefile(kLinkTypeEthernet);
  std::uint64_t sum = 0;
  for (auto _ : state) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline(path.c_str(), error);
    while (pcap_dispatch(handle, -1, capture_bench::SumWireLength, reinterpret_cast<u_char*>(&sum)) > 0) {
    }
    pcap_close(handle);
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * kSavefileFrames);
}
BENCHMARK(BareDispatch)->Unit(benchmark::kMillisecond);

}  // namespace
