#include "platform/service/NamedMutex.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "tests/TestSandbox.h"

namespace {

using platform::NamedMutex;

class NamedMutexTest : public ::testing::Test {
 protected:
  corvane_test::TempFolder root;
  corvane_test::TempFolder runtime;
  corvane_test::ScopedEnv rootVariable{"CORVANE_ROOT", root.str()};
  corvane_test::ScopedEnv runtimeVariable{"XDG_RUNTIME_DIR", runtime.str()};
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
  const std::string machine = root.str() + "/run/lock/";
  const std::string user = runtime.str() + "/corvane/";
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

}  // namespace
