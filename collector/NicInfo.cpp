#include "collector/NicInfo.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

#include "common/StringUtil.h"

namespace Velunor::Quillon {

namespace {

// The library flag of a loopback device.
constexpr bpf_u_int32 kLoopbackFlag = PCAP_IF_LOOPBACK;
constexpr int kUtf8 = 1;

}  // namespace

CNicInfo::CNicInfo() : m_ipv4Address(0), m_netmask(0) {}

CNicInfo::CNicInfo(const CNicInfo& other) = default;

CNicInfo& CNicInfo::operator=(const CNicInfo& other) = default;

CNicInfo::~CNicInfo() { Clear(); }

void CNicInfo::Clear() {
  m_name.clear();
  m_description.clear();
  m_ipv4Address = 0;
  m_netmask = 0;
  m_ipv6List.clear();
}

int CNicInfo::SetFromPcapIf(const pcap_if_t* entry) {
  if (entry == nullptr || entry->name == nullptr || entry->name[0] == '\0') {
    return 0;
  }
  m_name = Common::ToWideString(std::string(entry->name), kUtf8);
  if (entry->description != nullptr) {
    m_description = Common::ToWideString(std::string(entry->description), kUtf8);
  }
  // The library describes few Linux interfaces; the name then stands in, so that every
  // log line names its adapter.
  if (m_description.empty()) m_description = m_name;
  if ((entry->flags & kLoopbackFlag) != 0) {
    return 0;
  }
  bool hasAddress = false;
  for (const pcap_addr_t* address = entry->addresses; address != nullptr; address = address->next) {
    if (address->addr == nullptr) {
      continue;
    }
    switch (address->addr->sa_family) {
      case AF_INET:
        hasAddress = SetIPv4(address) == 1 || hasAddress;
        break;
      case AF_INET6:
        hasAddress = AddIPv6(address) == 1 || hasAddress;
        break;
      default:
        break;
    }
  }
  return hasAddress ? 1 : 0;
}

int CNicInfo::SetIPv4(const pcap_addr_t* entry) {
  if (entry == nullptr || entry->addr == nullptr || entry->netmask == nullptr ||
      entry->addr->sa_family != AF_INET) {
    return 0;
  }
  // A netmask's family is not always filled in, but every sockaddr holds the
  // four bytes of an IPv4 address at this place.
  m_ipv4Address = reinterpret_cast<const sockaddr_in*>(entry->addr)->sin_addr.s_addr;
  m_netmask = reinterpret_cast<const sockaddr_in*>(entry->netmask)->sin_addr.s_addr;
  return 1;
}

int CNicInfo::AddIPv6(const pcap_addr_t* entry) {
  // The netmask must say it is an IPv6 socket address: only then is it known to be
  // large enough to hold sixteen address bytes.
  if (entry == nullptr || entry->addr == nullptr || entry->netmask == nullptr ||
      entry->addr->sa_family != AF_INET6 || entry->netmask->sa_family != AF_INET6) {
    return 0;
  }
  NicIPv6Entry ipv6;
  std::memcpy(ipv6.address.data(), &reinterpret_cast<const sockaddr_in6*>(entry->addr)->sin6_addr, 16);
  std::memcpy(ipv6.netmask.data(), &reinterpret_cast<const sockaddr_in6*>(entry->netmask)->sin6_addr, 16);
  m_ipv6List.push_back(ipv6);
  return 1;
}

void CNicInfo::GetIPv6List(std::vector<NicIPv6Entry>& list) const {
  list.clear();
  list.insert(list.end(), m_ipv6List.begin(), m_ipv6List.end());
}

int CNicInfo::IsSameName(const std::wstring& name) const { return name == m_name ? 1 : 0; }

int CNicInfo::IsSame(const CNicInfo& other) const { return other.Equals(*this) ? 1 : 0; }

bool CNicInfo::Equals(const CNicInfo& other) const {
  if (m_name != other.m_name || m_description != other.m_description ||
      m_ipv4Address != other.m_ipv4Address || m_netmask != other.m_netmask) {
    return false;
  }
  return other.IsSameIPv6List(m_ipv6List) == 1;
}

int CNicInfo::IsSameIPv6List(const std::vector<NicIPv6Entry>& list) const {
  for (const NicIPv6Entry& own : m_ipv6List) {
    const NicIPv6Entry* match = nullptr;
    for (const NicIPv6Entry& candidate : list) {
      if (candidate.address == own.address) {
        match = &candidate;
        break;
      }
    }
    if (match == nullptr || match->netmask != own.netmask) {
      return 0;
    }
  }
  return 1;
}

}  // namespace Velunor::Quillon
