#include "platform/service/NamedMutex.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/TestSandbox.h"
#include "tests/TestUser.h"

namespace {

using platform::NamedMutex;

class NamedMutexTest : public ::testing::Test {
 protected:
  std::string Root() const { return sandbox.Root().string(); }
  std::string Runtime() const { return sandbox.RuntimeFolder().string(); }

  corvane_test::Sandbox sandbox;
};

// A second process that opens the mutex, tells what it found, and holds it until told
// to end (or is killed).
class MutexHolder {
 public:
  explicit MutexHolder(const std::wstring& name) {
    int toParent[2], toChild[2];
    if (pipe(toParent) != 0 || pipe(toChild) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(toParent[0]);
      close(toChild[1]);
      auto mutex = NamedMutex::Create(name, true);
      const char answer = !mutex ? 'F' : mutex->AlreadyExisted() ? 'E' : mutex->IsOwned() ? 'O' : 'C';
      if (write(toParent[1], &answer, 1) != 1) _exit(2);
      char ignored;
      if (read(toChild[0], &ignored, 1) < 0) _exit(3);
      _exit(0);
    }
    close(toParent[1]);
    close(toChild[0]);
    release_ = toChild[1];
    if (read(toParent[0], &answer_, 1) != 1) answer_ = '?';
    close(toParent[0]);
  }
  ~MutexHolder() { End(); }
  char Answer() const { return answer_; }
  void End() {
    if (pid_ <= 0) return;
    close(release_);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    End();
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  char answer_ = '?';
};

TEST_F(NamedMutexTest, AnotherProcessHoldingTheNameMakesItExistUntilThatProcessEnds) {
  for (bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "holder killed" : "holder ended");
    MutexHolder holder(L"Global\\CorvanServiceMutex");
    ASSERT_EQ(holder.Answer(), 'O') << "the first opener creates and owns it";

    auto second = NamedMutex::Create(L"Global\\CorvanServiceMutex", true);
    ASSERT_TRUE(second);
    EXPECT_TRUE(second->AlreadyExisted());
    EXPECT_FALSE(second->IsOwned()) << "only the creator gets the initial ownership";
    second.reset();

    killed ? holder.Kill() : holder.End();
    auto fresh = NamedMutex::Create(L"Global\\CorvanServiceMutex", true);
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(fresh->AlreadyExisted());
    EXPECT_TRUE(fresh->IsOwned());
  }
}

TEST_F(NamedMutexTest, HandlesInOneProcessCountLikeAnyOther) {
  auto first = NamedMutex::Create(L"Velunor::Quillon::Ui::WinMain", false);
  ASSERT_TRUE(first);
  EXPECT_FALSE(first->AlreadyExisted());
  EXPECT_FALSE(first->IsOwned());
  auto second = NamedMutex::Create(L"Velunor::Quillon::Ui::WinMain", false);
  ASSERT_TRUE(second);
  EXPECT_TRUE(second->AlreadyExisted());
  first.reset();
  auto third = NamedMutex::Create(L"Velunor::Quillon::Ui::WinMain", false);
  EXPECT_TRUE(third->AlreadyExisted()) << "the second handle still holds it";
  second.reset();
  third.reset();
  EXPECT_FALSE(NamedMutex::Create(L"Velunor::Quillon::Ui::WinMain", false)->AlreadyExisted());

  MutexHolder otherProcess(L"Velunor::Quillon::Ui::WinMain");
  EXPECT_EQ(otherProcess.Answer(), 'O');
}

TEST_F(NamedMutexTest, ReleaseEndsOwnershipOnce) {
  auto owner = NamedMutex::Create(L"Global\\ReleaseTest", true);
  ASSERT_TRUE(owner && owner->IsOwned());
  EXPECT_TRUE(owner->Release());
  EXPECT_FALSE(owner->IsOwned());
  EXPECT_FALSE(owner->Release());
}

TEST_F(NamedMutexTest, NamesMapToOneFileInsideTheirFolder) {
  const std::string machine = Root() + "/run/corvane/";
  const std::string user = Runtime() + "/corvane/";
  struct Case {
    std::wstring name;
    std::string folder;
  } cases[] = {
      {L"Global\\CorvanServiceMutex", machine},
      {L"Local\\Velunor::Quillon::Resident::WinMain", user},
      {L"Velunor::Quillon::Resident::WinMain", user},
      {L"Global\\..\\..\\etc\\passwd", machine},
      {L"../../escape/attempt", user},
      {L".hidden", user},
      {std::wstring(400, L'x'), user},
  };
  for (const auto& test : cases) {
    const std::string path = NamedMutex::LockFilePath(test.name);
    SCOPED_TRACE(path);
    ASSERT_EQ(path.compare(0, test.folder.size(), test.folder), 0);
    const std::string file = path.substr(test.folder.size());
    EXPECT_EQ(file.find('/'), std::string::npos);
    EXPECT_NE(file[0], '.');
    EXPECT_LT(file.size(), 255u);
    auto mutex = NamedMutex::Create(test.name, true);
    ASSERT_TRUE(mutex);
    EXPECT_EQ(access(path.c_str(), F_OK), 0);
  }
  EXPECT_NE(NamedMutex::LockFilePath(L"Global\\A"), NamedMutex::LockFilePath(L"A"));
  EXPECT_NE(NamedMutex::LockFilePath(std::wstring(400, L'x')), NamedMutex::LockFilePath(std::wstring(401, L'x')));
  EXPECT_FALSE(NamedMutex::Create(L"", true));
}

TEST_F(NamedMutexTest, WithoutARuntimeFolderUserNamesGoToAPrivateFolderUnderTmp) {
  unsetenv("XDG_RUNTIME_DIR");
  const std::string folder = "/tmp/corvane-" + std::to_string(geteuid());
  EXPECT_EQ(NamedMutex::LockFilePath(L"Name"), folder + "/Name.lock");
  auto mutex = NamedMutex::Create(L"Name", false);
  ASSERT_TRUE(mutex);
  struct stat status {};
  ASSERT_EQ(lstat(folder.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 077, 0u);
  mutex.reset();
  unlink((folder + "/Name.lock").c_str());
}

// Runs body in a child process and gives the text it answers, or "timed out" when none
// came within the limit (the child is then killed): a call that blocks fails the test.
std::string OutcomeWithin(int seconds, const std::function<std::string()>& body) {
  int ends[2];
  if (pipe(ends) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(ends[0]);
    const std::string answer = body() + '\n';
    _exit(write(ends[1], answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()) ? 0 : 1);
  }
  close(ends[1]);
  std::string answer;
  pollfd wait{ends[0], POLLIN, 0};
  bool timedOut = false;
  while (answer.find('\n') == std::string::npos) {
    if (poll(&wait, 1, seconds * 1000) != 1) {
      timedOut = true;
      break;
    }
    char buffer[512];
    const ssize_t got = read(ends[0], buffer, sizeof(buffer));
    if (got <= 0) break;
    answer.append(buffer, static_cast<std::size_t>(got));
  }
  close(ends[0]);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  if (timedOut) return "timed out";
  return answer.empty() ? "no answer" : answer.substr(0, answer.find('\n'));
}

// The same with a one-letter answer; 'T' when none came within the limit.
char AnswerWithin(int seconds, const std::function<char()>& body) {
  const std::string answer = OutcomeWithin(seconds, [&] { return std::string(1, body()); });
  return answer.size() == 1 ? answer[0] : 'T';
}

char Describe(const std::unique_ptr<NamedMutex>& mutex) {
  return !mutex ? 'F' : mutex->AlreadyExisted() ? (mutex->IsOwned() ? '!' : 'E') : mutex->IsOwned() ? 'O' : 'C';
}

uid_t Nobody() {
  const passwd* nobody = getpwnam("nobody");
  return nobody ? nobody->pw_uid : 65534;
}

TEST_F(NamedMutexTest, ALockHeldByAnotherProcessMeansTheMutexExistsAndNothingWaits) {
  const std::wstring name = L"Global\\CorvanServiceMutex";
  const std::string path = NamedMutex::LockFilePath(name);
  ASSERT_TRUE(NamedMutex::Create(name, false)) << "makes the folder and the file";
  struct Case {
    const char* name;
    std::function<bool(int)> hold;  // takes its lock on the open file
    char answer;
  } cases[] = {
      {"whole file locked exclusively",
       [](int fd) {
         struct flock lock {};
         lock.l_type = F_WRLCK;
         return fcntl(fd, F_SETLK, &lock) == 0;
       },
       'E'},
      {"whole file locked shared",
       [](int fd) {
         struct flock lock {};
         lock.l_type = F_RDLCK;
         return fcntl(fd, F_SETLK, &lock) == 0;
       },
       'E'},
      // Locks of the other kind do not touch the mutex.
      {"flock exclusive", [](int fd) { return flock(fd, LOCK_EX) == 0; }, 'O'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
      const int fd = open(path.c_str(), O_RDWR);
      const char held = fd >= 0 && c.hold(fd) ? 'H' : 'N';
      if (write(ready[1], &held, 1) != 1) _exit(1);
      pause();
      _exit(0);
    }
    char held = '?';
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(held, 'H');
    EXPECT_EQ(AnswerWithin(10, [&] { return Describe(NamedMutex::Create(name, true)); }), c.answer);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
  }
}

TEST_F(NamedMutexTest, AMachineWideLockFileIsItsCreatorsAlone) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to try the lock file as another user";
  const std::wstring name = L"Global\\CorvanServiceMutex";
  auto mutex = NamedMutex::Create(name, true);
  ASSERT_TRUE(mutex && mutex->IsOwned());
  const std::string path = NamedMutex::LockFilePath(name);
  struct stat status {};
  ASSERT_EQ(stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0600u);
  ASSERT_EQ(stat((Root() + "/run/corvane").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 022, 0u);

  // Another user can neither open it nor make a mutex of its own there.
  const char answer = AnswerWithin(10, [&] {
    if (setuid(Nobody()) != 0) return '?';
    if (open(path.c_str(), O_RDONLY) >= 0 || errno != EACCES) return 'R';
    if (NamedMutex::Create(name, true) || errno != EACCES) return 'M';
    if (NamedMutex::Create(L"Global\\Another", true) || errno != EACCES) return 'A';
    return 'K';
  });
  EXPECT_EQ(answer, 'K');
  EXPECT_TRUE(mutex->IsOwned());
}

TEST_F(NamedMutexTest, FoldersAndFilesOthersCouldHaveMadeAreRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
  const std::wstring global = L"Global\\CorvanServiceMutex";
  const std::string machine = Root() + "/run/corvane";
  const std::string elsewhere = Root() + "/elsewhere";
  ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
  struct Case {
    const char* name;
    std::wstring mutex;
    std::function<void()> prepare;
    int error;
  } cases[] = {
      {"machine folder others may write", global, [&] { mkdir(machine.c_str(), 0777), chmod(machine.c_str(), 01777); }, EPERM},
      {"machine folder of another user", global,
       [&] { mkdir(machine.c_str(), 0755), (void)!chown(machine.c_str(), Nobody(), 0); }, EPERM},
      {"machine folder is a link", global, [&] { (void)!symlink(elsewhere.c_str(), machine.c_str()); }, ENOTDIR},
      {"lock file is a link", global,
       [&] {
         mkdir(machine.c_str(), 0755);
         (void)!symlink((elsewhere + "/target").c_str(), (machine + "/CorvanServiceMutex.lock").c_str());
       },
       ELOOP},
      {"lock file others may open", global,
       [&] {
         mkdir(machine.c_str(), 0755);
         const int fd = open((machine + "/CorvanServiceMutex.lock").c_str(), O_CREAT | O_RDWR, 0644);
         fchmod(fd, 0666), close(fd);
       },
       EPERM},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boost::filesystem::remove_all(machine);
    boost::filesystem::create_directories(sandbox.Root() / "run");
    c.prepare();
    errno = 0;
    EXPECT_FALSE(NamedMutex::Create(c.mutex, true));
    EXPECT_EQ(errno, c.error);
  }
  EXPECT_FALSE(boost::filesystem::exists(elsewhere + "/target"));
}

TEST_F(NamedMutexTest, ARuntimeFolderThatIsNotTheUsersOwnIsNotUsed) {
  for (mode_t mode : {0777, 0750}) {
    SCOPED_TRACE(mode);
    ASSERT_EQ(chmod(Runtime().c_str(), mode), 0);
    EXPECT_EQ(NamedMutex::LockFilePath(L"Name"), "/tmp/corvane-" + std::to_string(geteuid()) + "/Name.lock");
  }
  ASSERT_EQ(chmod(Runtime().c_str(), 0700), 0);
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the runtime folder to another user";
  ASSERT_EQ(chown(Runtime().c_str(), Nobody(), 0), 0);
  EXPECT_EQ(NamedMutex::LockFilePath(L"Name"), "/tmp/corvane-" + std::to_string(geteuid()) + "/Name.lock");
  ASSERT_EQ(chown(Runtime().c_str(), geteuid(), 0), 0);
  EXPECT_EQ(NamedMutex::LockFilePath(L"Name"), Runtime() + "/corvane/Name.lock");
}

TEST_F(NamedMutexTest, AUserFolderOpenToOthersGivesWayToThePrivateFolder) {
  const std::string refusedFolder = Runtime() + "/corvane";
  ASSERT_EQ(mkdir(refusedFolder.c_str(), 0755), 0);
  ASSERT_EQ(chmod(refusedFolder.c_str(), 0755), 0);
  std::vector<std::string> refused;
  auto mutex = NamedMutex::Create(L"Name", true, &refused);
  ASSERT_TRUE(mutex) << std::strerror(errno);
  EXPECT_FALSE(mutex->AlreadyExisted());
  EXPECT_TRUE(mutex->IsOwned());
  EXPECT_EQ(refused, std::vector<std::string>{refusedFolder + ": others may read it"});
  const std::string privateFolder = (sandbox.Home() / ".local/state/corvane").string();
  struct stat status {};
  ASSERT_EQ(lstat(privateFolder.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0700u);
  EXPECT_TRUE(boost::filesystem::exists(privateFolder + "/Name.lock"));
  EXPECT_FALSE(boost::filesystem::exists(refusedFolder + "/Name.lock"));
  EXPECT_EQ(AnswerWithin(10, [] { return Describe(NamedMutex::Create(L"Name", true)); }), 'E')
      << "another process meets it in the private folder";
}

// Another real user gets to /tmp first and puts a folder or a link where a user's lock
// folder goes when there is no runtime folder: the user's mutex must neither fail nor
// land in a place the other user chose.
class OtherUsersLockFolderTest : public NamedMutexTest {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to make two users";
    user = std::make_unique<corvane_test::TemporaryUser>("cvmu", corvane_test::TemporaryUser::Kind::Desktop);
    other = std::make_unique<corvane_test::TemporaryUser>("cvmo", corvane_test::TemporaryUser::Kind::Desktop);
    ASSERT_TRUE(user->Exists() && other->Exists());
    home = Root() + "/home-" + user->Name();
    elsewhere = home + "/Documents";
    for (const std::string& folder : {home, elsewhere}) {
      ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
      ASSERT_EQ(chown(folder.c_str(), user->Uid(), user->Gid()), 0);
    }
    tmpFolder = "/tmp/corvane-" + std::to_string(user->Uid());
    boost::filesystem::remove_all(tmpFolder);  // left by an earlier user of this id
  }
  void TearDown() override {
    boost::system::error_code error;
    if (!tmpFolder.empty()) boost::filesystem::remove_all(tmpFolder, error);
  }

  // Runs body as the user in a process of its own; its answer, empty for success.
  static std::string As(const corvane_test::TemporaryUser& who, const std::function<std::string()>& body) {
    return OutcomeWithin(10, [&] {
      if (setgroups(0, nullptr) != 0 || setgid(who.Gid()) != 0 || setuid(who.Uid()) != 0) {
        return "cannot become " + who.Name();
      }
      umask(022);
      return body();
    });
  }
  // The other user's doing; empty when done.
  std::string AsOther(const std::function<int()>& step) const {
    return As(*other, [&] { return step() == 0 ? std::string() : std::string("other user: ") + std::strerror(errno); });
  }
  // The user's session without a runtime folder.
  void UserSession() const {
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("XDG_STATE_HOME");
    setenv("HOME", home.c_str(), 1);
  }
  static std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "[" + line + "]";
    return text;
  }

  std::unique_ptr<corvane_test::TemporaryUser> user;
  std::unique_ptr<corvane_test::TemporaryUser> other;
  std::string home;
  std::string elsewhere;  // a folder of the user's that a link might point to
  std::string tmpFolder;
};

TEST_F(OtherUsersLockFolderTest, TheMutexLivesInThePrivateFolderWhereASecondInstanceFindsIt) {
  const std::string otherId = std::to_string(other->Uid());
  struct Case {
    const char* name;
    std::function<int()> prepare;  // as the other user
    std::string refusal;
  } cases[] = {
      {"a folder open to all", [&] { return mkdir(tmpFolder.c_str(), 0777) || chmod(tmpFolder.c_str(), 0777); },
       tmpFolder + ": belongs to user " + otherId + ", others may write it"},
      {"a link to a folder of the user's", [&] { return symlink(elsewhere.c_str(), tmpFolder.c_str()); },
       tmpFolder + ": a link"},
      {"a folder closed to the user", [&] { return mkdir(tmpFolder.c_str(), 0700); },
       tmpFolder + ": belongs to user " + otherId},
  };
  const std::string privateFolder = home + "/.local/state/corvane";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    boost::filesystem::remove_all(tmpFolder);
    boost::filesystem::remove_all(home + "/.local");
    ASSERT_EQ(AsOther(c.prepare), "");
    const std::string outcome = As(*user, [&]() -> std::string {
      UserSession();
      std::vector<std::string> refused;
      auto first = NamedMutex::Create(L"Tray", false, &refused);
      if (!first) return std::string("not made: ") + std::strerror(errno) + " " + Lines(refused);
      if (first->AlreadyExisted()) return "seen as existing";
      if (Lines(refused) != "[" + c.refusal + "]") return "refused " + Lines(refused);
      struct stat status {};
      if (lstat(privateFolder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) || (status.st_mode & 07777) != 0700) {
        return "no private folder of mode 0700";
      }
      if (access((privateFolder + "/Tray.lock").c_str(), F_OK) != 0) return "no lock file in the private folder";
      const pid_t second = fork();
      if (second == 0) {
        auto again = NamedMutex::Create(L"Tray", false);
        _exit(again && again->AlreadyExisted() ? 0 : 1);
      }
      int ended = 0;
      if (waitpid(second, &ended, 0) != second || !WIFEXITED(ended) || WEXITSTATUS(ended) != 0) {
        return "a second instance does not see the first";
      }
      return "";
    });
    EXPECT_EQ(outcome, "");
    EXPECT_TRUE(boost::filesystem::is_empty(elsewhere)) << "a link was followed";
  }
}

TEST_F(OtherUsersLockFolderTest, WithThePrivateFolderRefusedTooTheMutexFailsAndSaysWhy) {
  const std::string shared = Root() + "/shared-state";  // the user's state folder, open to all
  ASSERT_EQ(mkdir(shared.c_str(), 0777), 0);
  ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
  ASSERT_EQ(chown(shared.c_str(), other->Uid(), other->Gid()), 0);
  ASSERT_EQ(AsOther([&] { return mkdir(tmpFolder.c_str(), 0777) || chmod(tmpFolder.c_str(), 0777); }), "");
  const std::string otherId = std::to_string(other->Uid());
  const std::string outcome = As(*user, [&]() -> std::string {
    UserSession();
    setenv("XDG_STATE_HOME", shared.c_str(), 1);
    std::vector<std::string> refused;
    if (NamedMutex::Create(L"Tray", false, &refused)) return "made";
    if (errno != EPERM) return std::string("errno ") + std::strerror(errno);
    return Lines(refused);
  });
  EXPECT_EQ(outcome, "[" + tmpFolder + ": belongs to user " + otherId + ", others may write it][" + shared +
                         ": belongs to user " + otherId + ", others may write it]");
  EXPECT_TRUE(boost::filesystem::is_empty(shared));
}

}  // namespace
