// The installed collector measuring real traffic: it runs under the service runner in a
// network namespace of its own, joined by a veth pair to a second namespace, and after a
// stop summarydata.xml must hold exactly the bytes of the frames sent between them. As
// installed, it runs as a service user of its own with CAP_NET_RAW alone.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/NetworkNamespace.h"
#include "tests/TestSandbox.h"
#include "tests/TestUser.h"
#include "tests/platform_service/ProgramRun.h"

namespace {

namespace fs = boost::filesystem;
using capture_test::NetworkNamespace;
using corvane_test::RunProgram;

// Ethernet, IPv4 and UDP headers in front of every payload.
constexpr std::uint64_t kFrameOverhead = 14 + 20 + 8;
constexpr char kCollectorAddress[] = "10.77.0.1";
constexpr char kPeerAddress[] = "192.168.77.1";
constexpr std::uint16_t kPort = 47001;

struct Totals {
  std::uint64_t sent = 0, received = 0, unknown = 0;
  int units = 0;
};

std::uint64_t ChildNumber(const TiXmlElement* unit, const char* name) {
  const TiXmlElement* child = unit->FirstChildElement(name);
  return child && child->GetText() ? std::stoull(child->GetText()) : 0;
}

bool ReadTotals(const fs::path& file, Totals& totals) {
  TiXmlDocument document;
  if (!document.LoadFile(file.string().c_str()) || !document.RootElement()) return false;
  totals = Totals();
  const TiXmlElement* root = document.RootElement();
  for (const TiXmlElement* year = root->FirstChildElement("year"); year; year = year->NextSiblingElement("year")) {
    for (const TiXmlElement* month = year->FirstChildElement("month"); month;
         month = month->NextSiblingElement("month")) {
      for (const TiXmlElement* unit = month->FirstChildElement("unit"); unit; unit = unit->NextSiblingElement("unit")) {
        totals.sent += ChildNumber(unit, "send_size");
        totals.received += ChildNumber(unit, "recv_size");
        totals.unknown += ChildNumber(unit, "unknown_size");
        ++totals.units;
      }
    }
  }
  return true;
}

// Another local user (nobody) that takes, and keeps, every lock it can get on every file
// in the given folders, and first makes the files a lock file could be where the folder
// lets it. It looks again every 20 ms, so files made later are locked as they appear.
class LockEverything {
 public:
  explicit LockEverything(std::vector<fs::path> folders) {
    int ends[2];
    if (pipe(ends) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ends[1]);
      const passwd* nobody = getpwnam("nobody");
      if (!nobody || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) _exit(2);
      Run(folders, ends[0]);
    }
    close(ends[0]);
    stop_ = ends[1];
  }
  ~LockEverything() {
    if (pid_ <= 0) return;
    close(stop_);
    waitpid(pid_, nullptr, 0);
  }
  LockEverything(const LockEverything&) = delete;
  LockEverything& operator=(const LockEverything&) = delete;

 private:
  [[noreturn]] static void Run(const std::vector<fs::path>& folders, int stop) {
    std::set<std::string> held;
    for (;;) {
      for (const fs::path& folder : folders) {
        for (const char* name : {"CorvanServiceMutex.lock", "corvane-CorvanServiceMutex.lock", "summarydata.xml"}) {
          const int made = open((folder / name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
          if (made >= 0) close(made);
        }
        DIR* listing = opendir(folder.c_str());
        while (dirent* entry = listing ? readdir(listing) : nullptr) {
          const std::string path = (folder / entry->d_name).string();
          if (entry->d_name[0] == '.' || held.count(path)) continue;
          int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
          if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
          if (fd < 0) continue;
          held.insert(path);  // kept open, and with it every lock, until the end
          struct flock whole {};
          whole.l_type = F_WRLCK;
          if (fcntl(fd, F_SETLK, &whole) != 0) {
            whole.l_type = F_RDLCK;
            fcntl(fd, F_SETLK, &whole);
          }
          if (flock(fd, LOCK_EX | LOCK_NB) != 0) flock(fd, LOCK_SH | LOCK_NB);
        }
        if (listing) closedir(listing);
      }
      pollfd wait{stop, POLLIN, 0};
      if (poll(&wait, 1, 20) != 0) _exit(0);
    }
  }

  pid_t pid_ = -1;
  int stop_ = -1;
};

// The data folder on a small tmpfs that a test can fill and free, with the log folder on
// an ordinary disk so that the collector's lines can still be read. The mounts live in a
// private mount namespace of the calling thread (the collector started from it inherits
// it); the thread returns to its own namespace at the end, so nothing is left mounted.
class ScratchDisk {
 public:
  // Both folders belong to owner, as the installation gives the data folder to the service user.
  ScratchDisk(const fs::path& folder, const fs::path& logBacking, uid_t owner, gid_t group) : m_folder(folder) {
    m_original = open("/proc/thread-self/ns/mnt", O_RDONLY | O_CLOEXEC);
    if (m_original < 0 || unshare(CLONE_NEWNS) != 0) {
      m_why = std::string("no private mount namespace: ") + std::strerror(errno);
      return;
    }
    m_unshared = true;
    fs::create_directories(folder);
    fs::create_directories(logBacking);
    if (chown(logBacking.c_str(), owner, group) != 0) {
      m_why = std::string("cannot give the log folder to the service user: ") + std::strerror(errno);
      return;
    }
    const std::string options =
        "size=256k,mode=0755,uid=" + std::to_string(owner) + ",gid=" + std::to_string(group);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("corvane-test", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      m_why = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
      return;
    }
    m_mounted = true;
    fs::create_directories(folder / "Log");
    if (mount(logBacking.c_str(), (folder / "Log").c_str(), nullptr, MS_BIND, nullptr) != 0) {
      m_why = std::string("cannot bind the log folder: ") + std::strerror(errno);
      return;
    }
    m_logBound = true;
  }
  ~ScratchDisk() {
    if (m_logBound) umount2((m_folder / "Log").c_str(), MNT_DETACH);
    if (m_mounted) umount2(m_folder.c_str(), MNT_DETACH);
    if (m_unshared) setns(m_original, CLONE_NEWNS);
    if (m_original >= 0) close(m_original);
  }
  ScratchDisk(const ScratchDisk&) = delete;
  ScratchDisk& operator=(const ScratchDisk&) = delete;

  // Empty when the disk is ready.
  const std::string& WhyNot() const { return m_why; }

  // Writes a filler file until the disk has no byte left.
  bool Fill() {
    const int file = open((m_folder / "filler").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (file < 0) return false;
    const std::string block(4096, 'x');
    while (write(file, block.data(), block.size()) > 0) {
    }
    const bool full = errno == ENOSPC;
    close(file);
    return full;
  }
  void Free() { fs::remove(m_folder / "filler"); }

 private:
  fs::path m_folder;
  int m_original = -1;
  bool m_unshared = false;
  bool m_mounted = false;
  bool m_logBound = false;
  std::string m_why;
};

class CollectorServiceE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = NetworkNamespace::WhyUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    collectorSide = std::make_unique<NetworkNamespace>("svc");
    peerSide = std::make_unique<NetworkNamespace>("peer");
    ASSERT_TRUE(collectorSide->IsReady() && peerSide->IsReady());
    veth = "cv" + std::to_string(getpid() % 100000);
    // No IPv6 on the link: only the datagrams of the test cross it as IP.
    for (const auto* space : {collectorSide.get(), peerSide.get()}) {
      ASSERT_TRUE(space->Exec("sysctl -q -w net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1"));
    }
    ASSERT_TRUE(collectorSide->Ip("link add " + veth + " type veth peer name " + veth + "p netns " + peerSide->Name()));
    ASSERT_TRUE(collectorSide->Ip("addr add " + std::string(kCollectorAddress) + "/32 dev " + veth));
    ASSERT_TRUE(peerSide->Ip("addr add " + std::string(kPeerAddress) + "/32 dev " + veth + "p"));
    ASSERT_TRUE(peerSide->Ip("link set " + veth + "p up"));
    ASSERT_TRUE(peerSide->Ip("route add " + std::string(kCollectorAddress) + "/32 dev " + veth + "p"));
    ASSERT_NO_FATAL_FAILURE(LinkUp());

    install = sandbox.InstallFolder();
    sandbox.MakeFolder(install);
    program = (install / "CorvaneCollector").string();
    fs::copy_file(CORVANE_COLLECTOR_PATH, program);
    corvane_test::WriteFile(install / "exclusion.dat", "192.0.2.1\r\n");
    unsetenv("NOTIFY_SOCKET");
    // The service user and its data folder, as the installation makes them.
    serviceUser = std::make_unique<corvane_test::TemporaryUser>("corve2e");
    ASSERT_TRUE(serviceUser->Exists());
    for (const fs::path& folder : {DataFolder(), LogFolder()}) {
      sandbox.MakeFolder(folder);
      ASSERT_EQ(chown(folder.c_str(), serviceUser->Uid(), serviceUser->Gid()), 0);
    }
  }
  void TearDown() override {
    if (started) RunProgram({CORVANE_RUNNER_PATH, "stop", "corvan-service"});
    disk.reset();
  }

  void UseScratchDisk() {
    disk = std::make_unique<ScratchDisk>(SummaryFile().parent_path(), sandbox.Root() / "log-backing", serviceUser->Uid(),
                                         serviceUser->Gid());
    if (!disk->WhyNot().empty()) GTEST_SKIP() << disk->WhyNot();
  }

  // The collector's side of the veth up, with its routes (a link going down loses them).
  void LinkUp() {
    ASSERT_TRUE(collectorSide->Ip("link set " + veth + " up"));
    ASSERT_TRUE(collectorSide->Ip("route add " + std::string(kPeerAddress) + "/32 dev " + veth));
    ASSERT_TRUE(collectorSide->Ip("route add 224.0.0.0/4 dev " + veth));
  }

  void Configure(int writeIntervalSec) {
    corvane_test::WriteFile(install / "config.ini", "[Config]\r\nLogLevel=6\r\nNicWatchIntervalSec=1\r\n"
                                                    "XMLWriteIntervalSec=" + std::to_string(writeIntervalSec) + "\r\n");
  }

  // Starts the collector inside its namespace and waits until its capture of the veth
  // (the one adapter there that it accepts) sees frames: multicast probes, which it logs
  // at this log level but never counts. The library gives the veth no description, so
  // the log lines name it by its interface name.
  void Start() {
    ASSERT_NO_FATAL_FAILURE(StartService());
    ASSERT_NO_FATAL_FAILURE(WaitForCapture());
  }

  // As installed: the service user, CAP_NET_RAW alone, the runtime folder for the mutex.
  void StartService() {
    const auto result = RunProgram({"/usr/bin/env", "ip", "netns", "exec", collectorSide->Name(), CORVANE_RUNNER_PATH,
                                    "start", "--timeout", "30", "--stop-timeout", "20", "--user", serviceUser->Name(),
                                    "--ambient-capabilities", "CAP_NET_RAW", "--runtime-directory", "corvane",
                                    "--limit-nice", "-10", "corvan-service", "--", program});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    started = true;
  }

  std::string Log() const { return corvane_test::ReadLogText(LogFolder()); }

  // Waits until the log holds the text at least count times; the number it holds.
  int WaitForLog(const std::string& text, int count) const {
    int seen = 0;
    for (int i = 0; i < 200; ++i) {
      seen = Occurrences(Log(), text);
      if (seen >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return seen;
  }

  static int Occurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
  }

  std::string CaptureStartLine() const { return "] Capture Start NIC=[" + veth + "]\r\n"; }

  void WaitForCapture(int startLines = 1) {
    ASSERT_GE(WaitForLog(CaptureStartLine(), startLines), startLines) << Log();
    const int probe = capture_test::OpenUdpSocket(*collectorSide);
    ASSERT_GE(probe, 0);
    bool seen = false;
    for (int i = 0; i < 100 && !seen; ++i) {
      ASSERT_TRUE(capture_test::SendDatagrams(probe, "224.0.0.251", kPort, 16, 1));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      seen = Log().find("Multicast Packet type IPv4") != std::string::npos;
    }
    close(probe);
    ASSERT_TRUE(seen) << "the capture never saw a frame";
  }

  void Stop() {
    const auto result = RunProgram({CORVANE_RUNNER_PATH, "stop", "corvan-service"});
    started = false;
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_NE(result.output.find("exit status 0"), std::string::npos) << result.output;
  }

  // Datagrams each way, each side with a bound receiver so that nothing answers with ICMP.
  void SendTraffic(int toCollector, std::size_t inPayload, int toPeer, std::size_t outPayload) {
    const int collectorSocket = capture_test::OpenUdpSocket(*collectorSide);
    const int peerSocket = capture_test::OpenUdpSocket(*peerSide);
    ASSERT_GE(collectorSocket, 0);
    ASSERT_GE(peerSocket, 0);
    ASSERT_TRUE(capture_test::BindUdp(collectorSocket, kCollectorAddress, kPort));
    ASSERT_TRUE(capture_test::BindUdp(peerSocket, kPeerAddress, kPort));
    ASSERT_TRUE(capture_test::SendDatagrams(peerSocket, kCollectorAddress, kPort, inPayload, toCollector));
    ASSERT_TRUE(capture_test::SendDatagrams(collectorSocket, kPeerAddress, kPort, outPayload, toPeer));
    // Let the frames reach the capture before anything else happens.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    close(collectorSocket);
    close(peerSocket);
  }

  fs::path DataFolder() const { return sandbox.DataFolder(); }
  fs::path SummaryFile() const { return DataFolder() / "summarydata.xml"; }
  fs::path LogFolder() const { return DataFolder() / "Log"; }

  corvane_test::Sandbox sandbox;
  std::unique_ptr<NetworkNamespace> collectorSide, peerSide;
  std::unique_ptr<ScratchDisk> disk;
  std::string veth;
  fs::path install;
  std::string program;
  std::unique_ptr<corvane_test::TemporaryUser> serviceUser;
  bool started = false;
};

TEST_F(CollectorServiceE2E, BytesCountedSinceTheLastWriteAreWrittenAtStop) {
  Configure(3600);  // no timed write during the test: only the stop writes
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(SendTraffic(120, 1000, 45, 300));
  Stop();
  Totals totals;
  ASSERT_TRUE(ReadTotals(SummaryFile(), totals)) << "no summary file after the stop";
  EXPECT_EQ(totals.received, 120 * (kFrameOverhead + 1000));
  EXPECT_EQ(totals.sent, 45 * (kFrameOverhead + 300));
  EXPECT_EQ(totals.unknown, 0u);
  EXPECT_EQ(totals.units, 1);
  const std::string log = Log();
  for (const char* line : {"] Main Start\r\n", "] Thread Start\r\n", "] OnInitDialog\r\n", "] Thread END\r\n",
                           "] Main END\r\n"}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

TEST_F(CollectorServiceE2E, TimedWritesAndTheStopTogetherCountEveryFrameOnce) {
  Configure(1);
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(SendTraffic(200, 700, 10, 64));
  const std::uint64_t expectedReceived = 200 * (kFrameOverhead + 700);
  Totals totals;
  for (int i = 0; i < 100 && !(ReadTotals(SummaryFile(), totals) && totals.received == expectedReceived); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(totals.received, expectedReceived) << "a timed write brings the counts";
  SendTraffic(7, 1200, 0, 0);
  Stop();
  ASSERT_TRUE(ReadTotals(SummaryFile(), totals));
  EXPECT_EQ(totals.received, expectedReceived + 7 * (kFrameOverhead + 1200));
  EXPECT_EQ(totals.sent, 10 * (kFrameOverhead + 64));
  EXPECT_EQ(totals.unknown, 0u);
  EXPECT_NE(Log().find("] XML Write OK\r\n"), std::string::npos);
}

// A link that is down when the collector starts (its address already set) fails to
// open; the collector tries it again at every watch step, logging the failure once, and
// counts it exactly from the moment it comes up.
TEST_F(CollectorServiceE2E, AnAdapterDownAtStartIsCountedOnceItComesUp) {
  ASSERT_TRUE(collectorSide->Ip("link set " + veth + " down"));
  Configure(3600);
  ASSERT_NO_FATAL_FAILURE(StartService());
  const std::string failure = "[That device is not up]\r\n";
  ASSERT_EQ(WaitForLog(failure, 1), 1) << Log();
  const int stepsBefore = Occurrences(Log(), "] ID_NIC_WATCH\r\n");
  EXPECT_GE(WaitForLog("] ID_NIC_WATCH\r\n", stepsBefore + 3), stepsBefore + 3);

  ASSERT_NO_FATAL_FAILURE(LinkUp());
  ASSERT_NO_FATAL_FAILURE(WaitForCapture(2));
  ASSERT_NO_FATAL_FAILURE(SendTraffic(100, 900, 30, 200));
  Stop();
  Totals totals;
  ASSERT_TRUE(ReadTotals(SummaryFile(), totals));
  EXPECT_EQ(totals.received, 100 * (kFrameOverhead + 900));
  EXPECT_EQ(totals.sent, 30 * (kFrameOverhead + 200));
  EXPECT_EQ(totals.unknown, 0u);
  const std::string log = Log();
  EXPECT_EQ(Occurrences(log, failure), 1) << log;
  // The failed first attempt and the one that opened; the quiet ones between left none.
  EXPECT_EQ(Occurrences(log, CaptureStartLine()), 2) << log;
}

// A tunnel delivers frames without link layer: refused for its link type, and that is
// logged once however many watch steps follow.
TEST_F(CollectorServiceE2E, AnAdapterRefusedForItsLinkTypeIsLoggedOnce) {
  ASSERT_TRUE(collectorSide->Ip("tuntap add dev tq" + std::to_string(getpid() % 100000) + " mode tun"));
  const std::string tunnel = "tq" + std::to_string(getpid() % 100000);
  ASSERT_TRUE(collectorSide->Ip("addr add 10.79.0.1/32 dev " + tunnel));
  ASSERT_TRUE(collectorSide->Ip("link set " + tunnel + " up"));
  Configure(3600);
  ASSERT_NO_FATAL_FAILURE(Start());
  const std::string refusal = "[Ethernet (10Mb, 100Mb, 1000Mb, ";
  ASSERT_EQ(WaitForLog(refusal, 1), 1) << Log();
  const int stepsBefore = Occurrences(Log(), "] ID_NIC_WATCH\r\n");
  EXPECT_GE(WaitForLog("] ID_NIC_WATCH\r\n", stepsBefore + 3), stepsBefore + 3);
  Stop();
  const std::string log = Log();
  EXPECT_EQ(Occurrences(log, refusal), 1) << log;
  EXPECT_EQ(Occurrences(log, "] Capture Start NIC=[" + tunnel + "]\r\n"), 1) << log;
}

// With the data folder full, writes fail; the counts they could not store go into the
// first write that succeeds, and into the one at stop.
TEST_F(CollectorServiceE2E, AFullDiskLosesNoCountedByte) {
  ASSERT_NO_FATAL_FAILURE(UseScratchDisk());
  if (IsSkipped()) return;
  Configure(1);
  ASSERT_NO_FATAL_FAILURE(Start());
  const std::uint64_t first = 100 * (kFrameOverhead + 700);
  ASSERT_NO_FATAL_FAILURE(SendTraffic(100, 700, 0, 0));
  Totals totals;
  for (int i = 0; i < 100 && !(ReadTotals(SummaryFile(), totals) && totals.received == first); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_EQ(totals.received, first);

  // Full for two writes and more after the frames were counted (the capture hands them
  // over within its read timeout of 1 s), then free again.
  const std::string failed = "] cannot save the summary file: ";
  const auto fullFor = [&](int writes, const std::function<void()>& traffic) {
    ASSERT_TRUE(disk->Fill());
    traffic();
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    const int before = Occurrences(Log(), failed);
    ASSERT_GE(WaitForLog(failed, before + writes), before + writes);
    disk->Free();
  };
  const std::uint64_t second = 150 * (kFrameOverhead + 1100);
  const std::uint64_t secondSent = 20 * (kFrameOverhead + 300);
  ASSERT_NO_FATAL_FAILURE(fullFor(2, [&] { SendTraffic(150, 1100, 20, 300); }));
  for (int i = 0; i < 100 && !(ReadTotals(SummaryFile(), totals) && totals.received == first + second); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(totals.received, first + second) << "the first write after the disk was freed";
  EXPECT_EQ(totals.sent, secondSent);

  // Again, and stopped at once: the stop's write brings them unless a timed one was first.
  const std::uint64_t third = 60 * (kFrameOverhead + 400);
  ASSERT_NO_FATAL_FAILURE(fullFor(2, [&] { SendTraffic(60, 400, 0, 0); }));
  Stop();
  ASSERT_TRUE(ReadTotals(SummaryFile(), totals));
  EXPECT_EQ(totals.received, first + second + third);
  EXPECT_EQ(totals.sent, secondSent);
  EXPECT_EQ(totals.unknown, 0u);
  EXPECT_EQ(totals.units, 1);
}

TEST_F(CollectorServiceE2E, AnotherUserHoldingEveryLockItCanTakeStopsNothing) {
  // As on a real machine, where the old lock folder is everybody's.
  fs::create_directories(sandbox.Root() / "run/lock");
  ASSERT_EQ(chmod((sandbox.Root() / "run/lock").c_str(), 01777), 0);
  Configure(3600);
  LockEverything neighbour(
      {sandbox.Root() / "run/lock", sandbox.Root() / "run/corvane", install, DataFolder(), LogFolder()});
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(SendTraffic(50, 900, 20, 100));
  Stop();
  Totals totals;
  ASSERT_TRUE(ReadTotals(SummaryFile(), totals)) << "no summary file after the stop";
  EXPECT_EQ(totals.received, 50 * (kFrameOverhead + 900));
  EXPECT_EQ(totals.sent, 20 * (kFrameOverhead + 100));
  EXPECT_NE(corvane_test::ReadLogText(LogFolder()).find("] Main END\r\n"), std::string::npos);
}

}  // namespace
