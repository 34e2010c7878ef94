#pragma once
// The listening end of the service-manager notify protocol: a datagram socket at a path
// any process may write to. Each datagram comes with its sender's process id, so the
// listener decides whose messages count.
#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class NotifySocket {
 public:
  struct Message {
    pid_t sender = 0;
    // The datagram's KEY=VALUE lines in order; lines without "=" are left out.
    std::vector<std::pair<std::string, std::string>> assignments;
  };

  NotifySocket() = default;
  NotifySocket(const NotifySocket&) = delete;
  NotifySocket& operator=(const NotifySocket&) = delete;
  ~NotifySocket();  // closes the socket; the path stays

  // Whether a socket can be bound at the path (socket paths are short).
  static bool FitsPath(const std::string& path);
  // Binds a socket at the path, in place of whatever was there. False with errno set.
  bool Open(const std::string& path);
  int Descriptor() const { return m_descriptor; }
  // The next waiting datagram; nothing when none waits.
  std::optional<Message> Receive();
  // Closes the socket and removes its path.
  void Remove();

 private:
  int m_descriptor = -1;
  std::string m_path;
};

}  // namespace platform
