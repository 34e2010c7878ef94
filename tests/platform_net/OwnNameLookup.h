#pragma once
// Name lookups of the test's own. The test thread moves into a mount namespace of its
// own where files of the test lie over /etc/resolv.conf and /etc/hosts (as `ip netns
// exec` lays /etc/netns/<name>/ over /etc), and name servers that take queries and never
// answer, as ones behind a route that drops packets, can listen in the test's network
// namespace. Threads the test thread starts later look names up the same way.
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <string>

#include "tests/TestSandbox.h"

namespace corvane_test {

// True once the calling thread is in its own mount namespace, whose mounts nobody else
// sees; else false with the reason.
inline bool EnterOwnMountNamespace(std::string& reason) {
  static std::string failure;
  static const bool entered = [] {
    if (unshare(CLONE_NEWNS) != 0) {
      failure = std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
      return false;
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
      failure = std::string("making / private: ") + std::strerror(errno);
      return false;
    }
    return true;
  }();
  reason = failure;
  return entered;
}

// resolv.conf and hosts of the test's own while the object lives (the calling thread
// must be in its own mount namespace). Each is laid over the machine's file; where the
// machine has none (a bare root without /etc/hosts) there is nothing to lay a file over,
// so an overlay of /etc takes both instead.
class ResolverFiles {
 public:
  ResolverFiles() = default;
  ~ResolverFiles() {
    for (const char* target : {"/etc/resolv.conf", "/etc/hosts"}) {
      if (mounted_.count(target) != 0) umount2(target, MNT_DETACH);
    }
    if (overlaid_) umount2("/etc", MNT_DETACH);
  }
  ResolverFiles(const ResolverFiles&) = delete;
  ResolverFiles& operator=(const ResolverFiles&) = delete;

  bool Use(const std::string& resolvConf, const std::string& hosts, std::string& reason) {
    if (!overlaid_ && mounted_.empty() && (access("/etc/resolv.conf", F_OK) != 0 || access("/etc/hosts", F_OK) != 0) &&
        !OverlayEtc(reason)) {
      return false;
    }
    return Lay(resolvConf, "resolv.conf", "/etc/resolv.conf", reason) && Lay(hosts, "hosts", "/etc/hosts", reason);
  }

 private:
  bool OverlayEtc(std::string& reason) {
    const boost::filesystem::path upper = folder_.path() / "etc-upper";
    const boost::filesystem::path work = folder_.path() / "etc-work";
    boost::filesystem::create_directories(upper);
    boost::filesystem::create_directories(work);
    const std::string options = "lowerdir=/etc,upperdir=" + upper.string() + ",workdir=" + work.string();
    if (mount("overlay", "/etc", "overlay", 0, options.c_str()) != 0) {
      reason = std::string("an overlay of /etc for the missing resolver files: ") + std::strerror(errno);
      return false;
    }
    overlaid_ = true;
    return true;
  }

  bool Lay(const std::string& text, const char* name, const char* target, std::string& reason) {
    if (overlaid_) {
      // A link there (to the machine's resolver's file, say) goes from the overlay only,
      // so that nothing is written through it.
      unlink(target);
      WriteFile(target, text);
      return true;
    }
    const boost::filesystem::path file = folder_.path() / name;
    WriteFile(file, text);
    if (mounted_.count(target) != 0) return true;  // the file below was rewritten in place
    if (mount(file.c_str(), target, nullptr, MS_BIND, nullptr) != 0) {
      reason = std::string("bind-mounting over ") + target + ": " + std::strerror(errno);
      return false;
    }
    mounted_.insert(target);
    return true;
  }

  TempFolder folder_;
  std::set<std::string> mounted_;
  bool overlaid_ = false;
};

// Takes every UDP datagram to port 53 of any address in the network namespace and never
// answers; records the names asked for.
class SilentNameServers {
 public:
  SilentNameServers() = default;
  ~SilentNameServers() {
    if (fd_ >= 0) close(fd_);
  }
  SilentNameServers(const SilentNameServers&) = delete;
  SilentNameServers& operator=(const SilentNameServers&) = delete;

  bool Start(std::string& reason) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      reason = std::string("binding UDP port 53: ") + std::strerror(errno);
      return false;
    }
    return true;
  }

  // The names of the queries that came since the last call.
  std::set<std::string> TakeNames() {
    std::set<std::string> names;
    unsigned char packet[512];
    for (ssize_t got; (got = recv(fd_, packet, sizeof packet, 0)) >= 0;) {
      names.insert(QueryName(packet, static_cast<std::size_t>(got)));
    }
    return names;
  }

 private:
  // The question's name after the 12-byte header, its labels joined by dots.
  static std::string QueryName(const unsigned char* packet, std::size_t size) {
    std::string name;
    for (std::size_t at = 12; at < size && packet[at] != 0;) {
      const std::size_t length = packet[at];
      if (length > 63 || at + 1 + length > size) return "(malformed)";
      if (!name.empty()) name += '.';
      name.append(reinterpret_cast<const char*>(packet + at + 1), length);
      at += 1 + length;
    }
    return name;
  }

  int fd_ = -1;
};

}  // namespace corvane_test
