#include "tests/NetworkNamespace.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/if_link.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace capture_test {

namespace {

std::atomic<int> g_sequence{0};

bool Run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace

NetworkNamespace::NetworkNamespace(const std::string& role)
    : m_name("cq" + role + "-" + std::to_string(getpid()) + "-" + std::to_string(++g_sequence)) {
  m_ready = Run("ip netns add " + m_name) && Ip("link set lo up");
}

NetworkNamespace::~NetworkNamespace() { Run("ip netns del " + m_name); }

bool NetworkNamespace::Ip(const std::string& arguments) const { return Run("ip -n " + m_name + " " + arguments); }

bool NetworkNamespace::Exec(const std::string& command) const {
  return Run("ip netns exec " + m_name + " " + command);
}

std::string NetworkNamespace::WhyUnavailable() {
  if (geteuid() != 0) {
    return "live capture tests need root (network namespaces and raw capture)";
  }
  if (!Run("command -v ip")) {
    return "the ip tool (iproute2) is not installed";
  }
  NetworkNamespace probe("probe");
  if (!probe.IsReady()) {
    return "ip netns add failed: network namespaces cannot be made here";
  }
  return std::string();
}

NamespaceScope::NamespaceScope(const NetworkNamespace& target) {
  m_original = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
  const int fd = open(("/run/netns/" + target.Name()).c_str(), O_RDONLY | O_CLOEXEC);
  if (m_original >= 0 && fd >= 0) {
    m_entered = setns(fd, CLONE_NEWNET) == 0;
  }
  if (fd >= 0) {
    close(fd);
  }
}

NamespaceScope::~NamespaceScope() {
  if (m_entered) {
    setns(m_original, CLONE_NEWNET);
  }
  if (m_original >= 0) {
    close(m_original);
  }
}

bool ReadInterfaceCounters(const NetworkNamespace& space, const std::string& interface, InterfaceCounters& counters) {
  NamespaceScope scope(space);
  if (!scope.IsEntered()) {
    return false;
  }
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) {
    return false;
  }
  bool found = false;
  for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_PACKET && entry->ifa_data != nullptr &&
        interface == entry->ifa_name) {
      const auto* stats = static_cast<const rtnl_link_stats*>(entry->ifa_data);
      counters.txBytes = stats->tx_bytes;
      counters.rxBytes = stats->rx_bytes;
      counters.txPackets = stats->tx_packets;
      counters.rxPackets = stats->rx_packets;
      found = true;
    }
  }
  freeifaddrs(list);
  return found;
}

int OpenUdpSocket(const NetworkNamespace& space) {
  NamespaceScope scope(space);
  if (!scope.IsEntered()) {
    return -1;
  }
  return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
}

bool BindUdp(int socket, const char* address, std::uint16_t port) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  if (inet_pton(AF_INET, address, &local.sin_addr) != 1) {
    return false;
  }
  const int size = 4 * 1024 * 1024;
  setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  return bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0;
}

bool SendDatagrams(int socket, const char* destination, std::uint16_t port, std::size_t payloadBytes, int count) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  if (inet_pton(AF_INET, destination, &remote.sin_addr) != 1) {
    return false;
  }
  const std::vector<char> payload(payloadBytes, 'q');
  for (int i = 0; i < count; ++i) {
    const ssize_t sent = sendto(socket, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&remote),
                                sizeof remote);
    if (sent != static_cast<ssize_t>(payload.size())) {
      return false;
    }
  }
  return true;
}

}  // namespace capture_test
