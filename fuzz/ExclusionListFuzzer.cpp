// Arbitrary exclusion files: the list must load without reading past a line and answer
// lookups afterwards.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "collector/IpFilterHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    char name[] = "/tmp/corvane-exclusion-fuzz-XXXXXX";
    const int descriptor = mkstemp(name);
    if (descriptor >= 0) close(descriptor);
    return std::string(name);
  }();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  Velunor::Quillon::IpFilterHeader list;
  list.LoadFile(std::wstring(path.begin(), path.end()));
  list.IsExcludedIPv4(0x0100000A);
  Velunor::Quillon::IpFilterHeader::IPv6Address address{};
  address[0] = 0x20;
  list.IsExcludedIPv6(address);
  return 0;
}
