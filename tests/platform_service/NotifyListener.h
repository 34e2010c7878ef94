#pragma once
// A plain datagram socket standing in for the service manager's notify socket, so tests
// see exactly what a service sends.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace corvane_test {

class NotifyListener {
 public:
  explicit NotifyListener(const std::string& path) : path_(path) {
    descriptor_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    unlink(path.c_str());
    if (descriptor_ >= 0 && bind(descriptor_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
      Close();
    }
  }
  ~NotifyListener() {
    Close();
    unlink(path_.c_str());
  }
  NotifyListener(const NotifyListener&) = delete;
  NotifyListener& operator=(const NotifyListener&) = delete;

  bool IsOpen() const { return descriptor_ >= 0; }
  const std::string& Path() const { return path_; }
  void Close() {
    if (descriptor_ >= 0) close(descriptor_);
    descriptor_ = -1;
  }

  // Every datagram waiting now, in the order sent.
  std::vector<std::string> Drain() {
    std::vector<std::string> datagrams;
    for (std::string datagram; Receive(datagram, 0);) datagrams.push_back(datagram);
    return datagrams;
  }

  // The next datagram, waiting up to timeoutMs.
  bool Receive(std::string& datagram, int timeoutMs) {
    if (descriptor_ < 0) return false;
    pollfd wait{descriptor_, POLLIN, 0};
    if (poll(&wait, 1, timeoutMs) != 1) return false;
    char buffer[4096];
    const ssize_t size = recv(descriptor_, buffer, sizeof(buffer), MSG_DONTWAIT);
    if (size < 0) return false;
    datagram.assign(buffer, static_cast<std::size_t>(size));
    return true;
  }

 private:
  std::string path_;
  int descriptor_ = -1;
};

}  // namespace corvane_test
