// Frame classification speed, and the worker's whole receive path over a savefile
// against a bare pcap_next_ex loop over the same file.
#include <benchmark/benchmark.h>
#include <pcap/pcap.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "collector/CaptureWorker.h"
#include "tests/capture/CaptureTestSupport.h"

using Velunor::Quillon::CaptureWorker;
using Velunor::Quillon::CNicInfo;
using Velunor::Quillon::IpFilterHeader;
using namespace capture_test;

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

// A download-heavy mix: full-size frames in, acknowledgements out, some IPv6, some LAN
// and multicast chatter, ARP.
std::vector<Bytes> FrameMix() {
  std::vector<Bytes> frames;
  for (int i = 0; i < 100; ++i) {
    if (i < 60) frames.push_back(IPv4Frame("93.184.216.34", "192.168.1.2", 1514));
    else if (i < 80) frames.push_back(IPv4Frame("192.168.1.2", "93.184.216.34", 66));
    else if (i < 90) frames.push_back(IPv6Frame("2606:2800:220:1::1", "2001:db8:1::2", 1294));
    else if (i < 95) frames.push_back(IPv4Frame("192.168.1.2", "192.168.1.1", 342));
    else if (i < 98) frames.push_back(IPv4Frame("192.168.1.7", "224.0.0.251", 120));
    else frames.push_back(EthernetFrame(0x0806, 60));
  }
  return frames;
}

void Classify(benchmark::State& state) {
  const std::vector<Bytes> frames = FrameMix();
  std::vector<pcap_pkthdr> headers(frames.size());
  std::int64_t bytes = 0;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    headers[i].caplen = headers[i].len = static_cast<bpf_u_int32>(frames[i].size());
    bytes += static_cast<std::int64_t>(frames[i].size());
  }
  CaptureWorker worker(BenchAdapter(), BenchExclusions(), 1, 1000);
  for (auto _ : state) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
      worker.DispatchFrame(headers[i], frames[i].data(), headers[i].caplen);
    }
  }
  Counts counts = Take(worker);
  benchmark::DoNotOptimize(counts);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(frames.size()));
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(Classify);

// One savefile of 200,000 frames of the mix, written once.
const std::string& Savefile() {
  static const std::string path = [] {
    const std::string file = "/tmp/capture-bench-" + std::to_string(getpid()) + ".pcap";
    const std::vector<Bytes> mix = FrameMix();
    std::vector<SavedFrame> frames;
    for (int round = 0; round < 2000; ++round) {
      for (const Bytes& frame : mix) frames.push_back({frame, 0});
    }
    WriteSavefile(file, CaptureWorker::kLinkTypeEthernet, frames);
    std::atexit([] { std::remove(("/tmp/capture-bench-" + std::to_string(getpid()) + ".pcap").c_str()); });
    return file;
  }();
  return path;
}
constexpr std::int64_t kSavefileFrames = 200000;

void WorkerReceivePath(benchmark::State& state) {
  const std::string& path = Savefile();
  CaptureWorker worker(BenchAdapter(), BenchExclusions(), 1, 1000);
  for (auto _ : state) {
    ReceiveSavefile(worker, path);
  }
  Counts counts = Take(worker);
  benchmark::DoNotOptimize(counts);
  state.SetItemsProcessed(state.iterations() * kSavefileFrames);
}
BENCHMARK(WorkerReceivePath)->Unit(benchmark::kMillisecond);

void BareNextEx(benchmark::State& state) {
  const std::string& path = Savefile();
  std::uint64_t sum = 0;
  for (auto _ : state) {
    char error[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline(path.c_str(), error);
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    while (pcap_next_ex(handle, &header, &data) == 1) sum += header->caplen;
    pcap_close(handle);
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * kSavefileFrames);
}
BENCHMARK(BareNextEx)->Unit(benchmark::kMillisecond);

}  // namespace
