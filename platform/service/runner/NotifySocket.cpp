#include "platform/service/runner/NotifySocket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

namespace platform {
namespace {

constexpr std::size_t kLargestDatagram = 4096;

}  // namespace

NotifySocket::~NotifySocket() {
  if (m_descriptor >= 0) close(m_descriptor);
}

bool NotifySocket::FitsPath(const std::string& path) { return path.size() < sizeof(sockaddr_un::sun_path); }

bool NotifySocket::Open(const std::string& path) {
  if (!FitsPath(path)) {
    errno = ENAMETOOLONG;
    return false;
  }
  m_path = path;
  unlink(path.c_str());
  m_descriptor = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size());
  const int on = 1;
  if (m_descriptor < 0 || bind(m_descriptor, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      setsockopt(m_descriptor, SOL_SOCKET, SO_PASSCRED, &on, sizeof(on)) != 0) {
    return false;
  }
  // Anyone may write to it; the sender's pid decides whether a message counts.
  chmod(path.c_str(), 0666);
  return true;
}

std::optional<NotifySocket::Message> NotifySocket::Receive() {
  char data[kLargestDatagram + 1];
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
  iovec vector{data, kLargestDatagram};
  msghdr header{};
  header.msg_iov = &vector;
  header.msg_iovlen = 1;
  header.msg_control = control;
  header.msg_controllen = sizeof(control);
  const ssize_t size = recvmsg(m_descriptor, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
  if (size < 0) return std::nullopt;
  Message message;
  for (cmsghdr* item = CMSG_FIRSTHDR(&header); item; item = CMSG_NXTHDR(&header, item)) {
    if (item->cmsg_level == SOL_SOCKET && item->cmsg_type == SCM_CREDENTIALS) {
      ucred credentials{};
      std::memcpy(&credentials, CMSG_DATA(item), sizeof(credentials));
      message.sender = credentials.pid;
    }
  }
  std::istringstream lines(std::string(data, static_cast<std::size_t>(size)));
  std::string line;
  while (std::getline(lines, line)) {
    const auto equals = line.find('=');
    if (equals != std::string::npos) message.assignments.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  return message;
}

void NotifySocket::Remove() {
  if (m_descriptor >= 0) close(m_descriptor);
  m_descriptor = -1;
  if (!m_path.empty()) unlink(m_path.c_str());
}

}  // namespace platform
