#pragma once
// A small HTTP server on 127.0.0.1 for the tests: answers every connection with the
// bytes the test chose and records the request heads it received.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace corvane_test {

class LoopbackHttpServer {
 public:
  // Gets the request head (request line and headers) and returns the raw response.
  using Responder = std::function<std::string(const std::string& requestHead)>;

  explicit LoopbackHttpServer(Responder responder) : responder_(std::move(responder)) {}
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // Listens on 127.0.0.1:port; false with the reason in error.
  bool Start(unsigned short port, std::string& error);
  void Stop();

  std::vector<std::string> RequestHeads() const;

  // Sends every response a few bytes at a time after its first fastBytes, with a pause
  // after each piece, as a slow or hostile server would; Stop still ends at once.
  void Trickle(std::size_t bytes, int pauseMs, std::size_t fastBytes = 0) {
    trickleBytes_ = bytes;
    tricklePauseMs_ = pauseMs;
    trickleAfter_ = fastBytes;
  }

 private:
  void Serve();
  void Answer(int connection);

  Responder responder_;
  std::size_t trickleBytes_ = 0;
  int tricklePauseMs_ = 0;
  std::size_t trickleAfter_ = 0;
  int listener_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<std::string> heads_;
};

// A response with a Content-Length that matches the body.
std::string Response(const std::string& statusLine, const std::string& body);

// The value of a header in a request head, or empty text.
std::string HeaderValue(const std::string& head, const std::string& name);

}  // namespace corvane_test
