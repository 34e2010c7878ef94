#pragma once
// Network namespaces made by a test and removed with it, so live capture only ever sees
// traffic between namespaces of our own.
#include <cstdint>
#include <string>

namespace capture_test {

class NetworkNamespace {
 public:
  // Makes a namespace with a name unique to this process and this object.
  explicit NetworkNamespace(const std::string& role);
  ~NetworkNamespace();
  NetworkNamespace(const NetworkNamespace&) = delete;
  NetworkNamespace& operator=(const NetworkNamespace&) = delete;

  bool IsReady() const { return m_ready; }
  const std::string& Name() const { return m_name; }
  // Runs "ip -n <name> <arguments>"; true on success.
  bool Ip(const std::string& arguments) const;
  // Runs a shell command inside the namespace.
  bool Exec(const std::string& command) const;

  // Why namespaces cannot be made here, or empty when they can.
  static std::string WhyUnavailable();

 private:
  std::string m_name;
  bool m_ready = false;
};

// Moves the calling thread into a namespace and back. Sockets and capture threads made
// meanwhile belong to that namespace.
class NamespaceScope {
 public:
  explicit NamespaceScope(const NetworkNamespace& target);
  ~NamespaceScope();
  NamespaceScope(const NamespaceScope&) = delete;
  NamespaceScope& operator=(const NamespaceScope&) = delete;
  bool IsEntered() const { return m_entered; }

 private:
  int m_original = -1;
  bool m_entered = false;
};

struct InterfaceCounters {
  std::uint64_t txBytes = 0;
  std::uint64_t rxBytes = 0;
  std::uint64_t txPackets = 0;
  std::uint64_t rxPackets = 0;
};

// The kernel's counters of an interface in the namespace.
bool ReadInterfaceCounters(const NetworkNamespace& space, const std::string& interface, InterfaceCounters& counters);

// A UDP socket made inside the namespace; -1 on failure.
int OpenUdpSocket(const NetworkNamespace& space);
// Binds a socket to address:port, inside its namespace.
bool BindUdp(int socket, const char* address, std::uint16_t port);
// Sends count datagrams of payloadBytes each; true when all went out.
bool SendDatagrams(int socket, const char* destination, std::uint16_t port, std::size_t payloadBytes, int count);

}  // namespace capture_test
