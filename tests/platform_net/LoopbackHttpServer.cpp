#include "tests/platform_net/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace corvane_test {

LoopbackHttpServer::~LoopbackHttpServer() { Stop(); }

bool LoopbackHttpServer::Start(unsigned short port, std::string& error) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  int yes = 1;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 8) != 0) {
    error = "bind/listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
    close(listener_);
    listener_ = -1;
    return false;
  }
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
    error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  wakeRead_ = pipeEnds[0];
  wakeWrite_ = pipeEnds[1];
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void LoopbackHttpServer::Stop() {
  if (thread_.joinable()) {
    char stop = 'x';
    (void)!write(wakeWrite_, &stop, 1);
    thread_.join();
  }
  for (int* fd : {&listener_, &wakeRead_, &wakeWrite_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

std::vector<std::string> LoopbackHttpServer::RequestHeads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return heads_;
}

void LoopbackHttpServer::Serve() {
  for (;;) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;
    if (fds[0].revents & POLLIN) {
      int connection = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection >= 0) {
        Answer(connection);
        close(connection);
      }
    }
  }
}

void LoopbackHttpServer::Answer(int connection) {
  timeval timeout{5, 0};
  setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    ssize_t got = recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    head.append(buffer, static_cast<std::size_t>(got));
  }
  head.erase(head.find("\r\n\r\n") + 2);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    heads_.push_back(head);
  }
  std::string response = responder_(head);
  std::size_t sent = 0;
  while (sent < response.size()) {
    const bool trickling = trickleBytes_ > 0 && sent >= trickleAfter_;
    const std::size_t piece = trickling ? std::min(trickleBytes_, response.size() - sent)
                              : trickleBytes_ > 0 ? std::min(trickleAfter_, response.size()) - sent
                                                  : response.size() - sent;
    ssize_t put = send(connection, response.data() + sent, piece, MSG_NOSIGNAL);
    if (put <= 0) return;  // the client gave up reading
    sent += static_cast<std::size_t>(put);
    if (trickling && sent < response.size()) {
      pollfd stop{wakeRead_, POLLIN, 0};
      if (poll(&stop, 1, tricklePauseMs_) != 0) return;
    }
  }
  // Let the client read everything before the connection goes away.
  shutdown(connection, SHUT_WR);
  while (recv(connection, buffer, sizeof buffer, 0) > 0) {
  }
}

std::string Response(const std::string& statusLine, const std::string& body) {
  return statusLine + "\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

std::string HeaderValue(const std::string& head, const std::string& name) {
  std::string key = "\r\n" + name + ": ";
  std::size_t at = head.find(key);
  if (at == std::string::npos) return std::string();
  at += key.size();
  return head.substr(at, head.find("\r\n", at) - at);
}

}  // namespace corvane_test
