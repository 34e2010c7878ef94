#pragma once
// Moves this test process into a network namespace of its own with only loopback up,
// so a server may take port 80 on 127.0.0.1 and no packet can leave the machine. The
// namespace goes away with the process.
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace corvane_test {

// True once the process is in its own namespace; else false with the reason.
inline bool EnterOwnNetworkNamespace(std::string& reason) {
  static std::string failure;
  static const bool entered = [] {
    if (unshare(CLONE_NEWNET) != 0) {
      failure = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
      return false;
    }
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (!up) failure = std::string("bringing lo up: ") + std::strerror(errno);
    if (fd >= 0) close(fd);
    return up;
  }();
  reason = failure;
  return entered;
}

}  // namespace corvane_test
