// Files that several users write in a folder that is none of theirs (lineselect.xml,
// sysinfo.xml): saved in place there under the lock of a lock file beside them that only
// their writers can open, atomically in a folder of one's own; read without a lock, so
// nobody who may only read them holds up a writer, and never taken whole when they
// changed under the read. Real users throughout: the install's modes decide who may
// write, and nobody (65534) is the user who locks whatever they can open.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <tinyxml.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/XmlFile.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/LockedFile.h"
#include "platform/core/testing/FileReadWatch.h"
#include "tests/OtherUserLock.h"
#include "tests/TestSandbox.h"
#include "tests/TestUser.h"
#include "tests/platform_service/ProgramRun.h"

namespace Velunor::Quillon::Common {
namespace {

using corvane_test::ReadFile;
using corvane_test::TempFolder;
using corvane_test::WriteFile;
namespace fs = boost::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uid_t kNobody = corvane_test::OtherUserLock::kNobody;

TiXmlDocument Document(const std::string& text) {
  TiXmlDocument document;
  ParseXmlBytes(document, text);
  return document;
}

ino_t InodeOf(const fs::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

gid_t GroupId(const char* name) {
  const group* entry = ::getgrnam(name);
  return entry != nullptr ? entry->gr_gid : static_cast<gid_t>(-1);
}

fs::path LockOf(const fs::path& file) { return file.string() + platform::kWriterLockSuffix; }

// A data folder that belongs to another user, as the machine-wide one does, holding a
// file that the test's user may write and the file's lock file.
class ForeignFolder {
 public:
  explicit ForeignFolder(const std::string& name = "shared.xml") : name_(name) {
    fs::create_directories(Folder());
    ::chmod(folder_.path().c_str(), 0755);
    ::chmod(Folder().c_str(), 0755);
    WriteFile(File(), "<old>an older and longer text than what replaces it</old>\r\n");
    ::chmod(File().c_str(), 0666);
    WriteFile(LockOf(File()), "");
    ::chmod(LockOf(File()).c_str(), 0666);
    if (::chown(Folder().c_str(), kNobody, kNobody) != 0) owned_ = false;
  }
  bool Ready() const { return owned_ && geteuid() == 0; }
  fs::path Folder() const { return folder_.path() / "data"; }
  fs::path File() const { return Folder() / name_; }
  // The file's and its lock file's owner, group and mode.
  void Give(gid_t group, mode_t mode, mode_t lockMode) const {
    EXPECT_EQ(::chown(File().c_str(), 0, group), 0);
    EXPECT_EQ(::chmod(File().c_str(), mode), 0);
    EXPECT_EQ(::chown(LockOf(File()).c_str(), 0, group), 0);
    EXPECT_EQ(::chmod(LockOf(File()).c_str(), lockMode), 0);
  }

 private:
  TempFolder folder_;
  std::string name_;
  bool owned_ = true;
};

TEST(SharedXmlFile, InPlaceInSomeoneElsesFolderAtomicInOnesOwn) {
  ForeignFolder foreign;
  if (!foreign.Ready()) GTEST_SKIP() << "needs root to give the folder to another user";
  // Group and mode are the installation's and must survive the save.
  ASSERT_EQ(::chown(foreign.File().c_str(), 0, 27), 0);
  ASSERT_EQ(::chmod(foreign.File().c_str(), 0664), 0);
  const ino_t before = InodeOf(foreign.File());
  std::string error;
  ASSERT_TRUE(SaveSharedXmlFile(Document("<new>short</new>"), foreign.File().string(), error)) << error;
  EXPECT_EQ(ReadFile(foreign.File()), "<new>short</new>\r\n") << "the whole text and nothing of the old tail";
  struct stat after {};
  ASSERT_EQ(::stat(foreign.File().c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before) << "no rename in a folder that is not ours";
  EXPECT_EQ(after.st_gid, 27u);
  EXPECT_EQ(after.st_mode & 07777, 0664u);

  TempFolder own;
  const fs::path mine = own.path() / "shared.xml";
  WriteFile(mine, "<old/>");
  const ino_t mineBefore = InodeOf(mine);
  ASSERT_TRUE(SaveSharedXmlFile(Document("<new>mine</new>"), mine.string(), error)) << error;
  EXPECT_EQ(ReadFile(mine), "<new>mine</new>\r\n");
  EXPECT_NE(InodeOf(mine), mineBefore) << "replaced atomically in a folder of our own, without a lock file";
}

TEST(SharedXmlFile, InPlaceRefusesWhatIsNotAPlainFileOfItsOwnAndALockFileThatIsNone) {
  ForeignFolder foreign;
  if (!foreign.Ready()) GTEST_SKIP() << "needs root to give the folder to another user";
  const fs::path target = foreign.Folder() / "elsewhere.txt";
  WriteFile(target, "keep me");
  const std::string text = ReadFile(foreign.File());
  struct Case {
    const char* name;
    fs::path file;
    std::function<void(const fs::path& lock)> lock;  // what takes the lock file's place
  };
  const auto keep = [](const fs::path&) {};
  const Case cases[] = {
      {"the file is a link", foreign.Folder() / "link.xml", keep},
      {"the file is a pipe", foreign.Folder() / "pipe.xml", keep},
      {"no file", foreign.Folder() / "missing.xml", keep},
      {"no lock file (an older install)", foreign.File(), [](const fs::path& lock) { fs::remove(lock); }},
      {"the lock file is a link", foreign.File(),
       [&](const fs::path& lock) {
         fs::remove(lock);
         fs::create_symlink(target, lock);
       }},
      {"the lock file is a pipe", foreign.File(),
       [](const fs::path& lock) {
         fs::remove(lock);
         ::mkfifo(lock.c_str(), 0666);
       }},
      {"the lock file is a folder", foreign.File(),
       [](const fs::path& lock) {
         fs::remove(lock);
         fs::create_directory(lock);
       }},
  };
  fs::create_symlink(target, foreign.Folder() / "link.xml");
  ASSERT_EQ(::mkfifo((foreign.Folder() / "pipe.xml").c_str(), 0666), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path lock = LockOf(foreign.File());
    c.lock(lock);
    std::string error;
    EXPECT_FALSE(SaveSharedXmlFile(Document("<new/>"), c.file.string(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(target), "keep me");
    EXPECT_EQ(ReadFile(foreign.File()), text);
    fs::remove_all(lock);
    WriteFile(lock, "");
  }
  EXPECT_FALSE(fs::exists(foreign.Folder() / "missing.xml"));
}

TEST(SharedXmlFile, AReaderRacingAWriterSeesOnlyWholeFiles) {
  ForeignFolder foreign;
  if (!foreign.Ready()) GTEST_SKIP() << "needs root to give the folder to another user";
  // Two versions of very different length: a reader between the write and the cut, or
  // in the middle of the write, would see a mix.
  const std::string shortText = "<select><line name=\"a\"/></select>";
  const std::string longText = "<select><!--" + std::string(200000, 'x') + "--><line name=\"b\"/></select>";
  std::string error;
  ASSERT_TRUE(SaveSharedXmlFile(Document(shortText), foreign.File().string(), error)) << error;
  std::atomic<bool> done{false};
  std::atomic<int> writes{0};
  std::thread writer([&] {
    std::string why;
    const TiXmlDocument documents[] = {Document(longText), Document(shortText)};
    for (int i = 0; !done; ++i) {
      if (SaveSharedXmlFile(documents[i % 2], foreign.File().string(), why)) ++writes;
    }
  });
  int wrong = 0;
  std::string firstWrong;
  // Reads go on until the writer has rewritten the file often enough, however slow its
  // flushes to disk are on this machine.
  for (int i = 0; (i < 1500 || writes < 20) && i < 1000000; ++i) {
    TiXmlDocument document;
    std::string why;
    const XmlLoadResult result = LoadSharedXmlFile(document, foreign.File().string(), &why);
    const TiXmlElement* line = document.RootElement() != nullptr ? document.RootElement()->FirstChildElement("line") : nullptr;
    const char* name = line != nullptr ? line->Attribute("name") : nullptr;
    if (result != XmlLoadResult::kLoaded || name == nullptr || (std::string(name) != "a" && std::string(name) != "b")) {
      if (wrong++ == 0) firstWrong = "load result " + std::to_string(static_cast<int>(result)) + " " + why;
    }
  }
  done = true;
  writer.join();
  EXPECT_GE(writes.load(), 20);
  EXPECT_EQ(wrong, 0) << firstWrong;
}

// A reader stopped in the middle of its read, between two pieces: the writer goes on at
// once, and the reader, once it goes on, reads the new text whole, not the old first
// piece with the new rest. Both texts have the same length.
TEST(SharedXmlFile, AReaderHoldsUpNoWriterAndTakesNoFileChangedUnderItForWhole) {
  ForeignFolder foreign;
  if (!foreign.Ready()) GTEST_SKIP() << "needs root to give the folder to another user";
  const auto text = [](char fill) {
    return "<select><!--" + std::string(200000, fill) + "--><line name=\"" + fill + "\"/></select>";
  };
  std::string error;
  ASSERT_TRUE(SaveSharedXmlFile(Document(text('o')), foreign.File().string(), error)) << error;
  std::atomic<bool> stopped{false};
  std::atomic<bool> written{false};
  platform::testing::FileReadWatch watch(foreign.File().string(), [&](int reads) {
    if (reads != 1) return;
    stopped = true;
    for (int i = 0; i < 1000 && !written; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  TiXmlDocument document;
  XmlLoadResult result = XmlLoadResult::kReadFailed;
  std::string why;
  std::thread reader([&] { result = LoadSharedXmlFile(document, foreign.File().string(), &why); });
  for (int i = 0; i < 1000 && !stopped; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const bool readerStopped = stopped;
  const auto started = Clock::now();
  const bool saved = SaveSharedXmlFile(Document(text('n')), foreign.File().string(), error);
  const auto took = Clock::now() - started;
  written = true;
  reader.join();
  ASSERT_TRUE(readerStopped) << "the reader never read a second piece";
  EXPECT_TRUE(saved) << error;
  EXPECT_LT(took, std::chrono::milliseconds(platform::kLockWaitMilliseconds)) << "the writer waited for the reader";
  ASSERT_EQ(result, XmlLoadResult::kLoaded) << why;
  const TiXmlNode* comment = document.RootElement()->FirstChild();
  ASSERT_NE(comment, nullptr);
  EXPECT_TRUE(std::string(comment->Value()) == std::string(200000, 'n')) << "a mix of the two texts taken for a file";
}

// A writer half way through a rewrite, as one stopped between its writes leaves the
// file: nothing moves while the reader looks, and only the lock file's odd count tells.
// The reader waits for the writer to finish; an odd count older than the bound is a
// writer that died there, and the file is read as it is.
TEST(SharedXmlFile, AReaderWaitsForAWriterHalfWayButNotForOneThatDied) {
  struct Case {
    const char* name;
    bool writerDied;
  };
  const Case cases[] = {{"the writer finishes", false}, {"the writer died half way", true}};
  const std::string before = "<select><line name=\"old\"/><!--" + std::string(3000, 'o') + "--></select>";
  const std::string half = "<select><line name=\"new\"/>" + before.substr(26);
  const std::string after = "<select><line name=\"new\"/></select>";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const fs::path file = folder.path() / "shared.xml";
    WriteFile(file, before);
    WriteFile(LockOf(file), "");
    // As RewriteFileInPlace leaves them half way: the lock file's count odd, the new
    // text's start written over the old one.
    ASSERT_EQ(::truncate(LockOf(file).c_str(), 1), 0);
    WriteFile(file, half);
    if (c.writerDied) std::this_thread::sleep_for(std::chrono::milliseconds(platform::kLockWaitMilliseconds + 100));
    std::thread writer;
    if (!c.writerDied) {
      writer = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        WriteFile(file, after);
        EXPECT_EQ(::truncate(LockOf(file).c_str(), 2), 0);
      });
    }
    std::string bytes;
    std::string error;
    const platform::FileReadResult result =
        platform::ReadWholeFileAtMost(file.string(), kMaxXmlFileBytes, platform::LinkRule::kRefuse, bytes, error);
    if (writer.joinable()) writer.join();
    EXPECT_EQ(result, platform::FileReadResult::kWhole) << error;
    EXPECT_EQ(bytes, c.writerDied ? half : after);
  }
}

// A whole rewrite between the reader's looks that the file's own times may not show (on
// kernels whose change times move by clock ticks): the lock file's count moved, so the
// reader reads again.
TEST(SharedXmlFile, ARewriteCountedDuringTheReadIsReadAgain) {
  TempFolder folder;
  const fs::path file = folder.path() / "shared.xml";
  const std::string text = "<select><line name=\"a\"/></select>";
  WriteFile(file, text);
  WriteFile(LockOf(file), "");
  platform::testing::FileReadWatch watch(file.string(), [&](int reads) {
    if (reads == 0) {
      EXPECT_EQ(::truncate(LockOf(file).c_str(), 2), 0);  // a writer came and went
    }
  });
  std::string bytes;
  std::string error;
  EXPECT_EQ(platform::ReadWholeFileAtMost(file.string(), kMaxXmlFileBytes, platform::LinkRule::kRefuse, bytes, error),
            platform::FileReadResult::kWhole)
      << error;
  EXPECT_EQ(bytes, text);
  EXPECT_EQ(watch.Reads(), 4) << "one read of the text and the byte past it, then both again";
}

// A save and then a load of the file, in a child process of the user (with the user's
// groups), as that user's tray or reckoner makes them.
struct UserRun {
  bool saved = false;
  std::string saveError;
  int loaded = -1;  // XmlLoadResult
  long loadMilliseconds = -1;
  std::string version;  // the loaded file's <version>
};

UserRun SaveAndLoadAs(const corvane_test::TemporaryUser& user, const fs::path& file, const std::string& version) {
  int ends[2];
  if (::pipe(ends) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ends[0]);
    if (::initgroups(user.Name().c_str(), user.Gid()) != 0 || ::setgid(user.Gid()) != 0 || ::setuid(user.Uid()) != 0) {
      _exit(2);
    }
    std::string error;
    const bool saved = SaveSharedXmlFile(
        Document("<system_info><version>" + version + "</version></system_info>"), file.string(), error);
    TiXmlDocument document;
    std::string why;
    const auto started = Clock::now();
    const XmlLoadResult loaded = LoadSharedXmlFile(document, file.string(), &why);
    const long took = static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count());
    const TiXmlElement* element =
        document.RootElement() != nullptr ? document.RootElement()->FirstChildElement("version") : nullptr;
    const std::string report = std::string(saved ? "1" : "0") + "\n" + error + "\n" +
                               std::to_string(static_cast<int>(loaded)) + "\n" + std::to_string(took) + "\n" +
                               (element != nullptr && element->GetText() != nullptr ? element->GetText() : "") + "\n";
    _exit(::write(ends[1], report.data(), report.size()) == static_cast<ssize_t>(report.size()) ? 0 : 3);
  }
  ::close(ends[1]);
  const std::string report = platform::ReadToEnd(ends[0]);
  ::close(ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  UserRun run;
  std::vector<std::string> fields;
  for (std::size_t start = 0, end; (end = report.find('\n', start)) != std::string::npos; start = end + 1) {
    fields.push_back(report.substr(start, end - start));
  }
  if (fields.size() != 5) return run;
  run.saved = fields[0] == "1";
  run.saveError = fields[1];
  run.loaded = std::stoi(fields[2]);
  run.loadMilliseconds = std::stol(fields[3]);
  run.version = fields[4];
  return run;
}

// Who may write what, as the install leaves the files, and what a user can do to the
// others with a lock on whatever that user can open. A user who may only read the file
// stops no writer and delays no reader; a co-writer holding the lock keeps the other
// writers out for as long as it holds it, each for the bound at most, and readers
// still read.
TEST(SharedXmlFile, OnlyThoseWhoMayWriteAFileCanHoldUpItsWriters) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make users and start processes as them";
  const gid_t administrators = GroupId("sudo");
  if (administrators == static_cast<gid_t>(-1)) GTEST_SKIP() << "this machine has no sudo group";
  corvane_test::TemporaryUser administrator("cvsa", corvane_test::TemporaryUser::Kind::Desktop, "sudo");
  corvane_test::TemporaryUser desktopUser("cvsu", corvane_test::TemporaryUser::Kind::Desktop);
  ASSERT_TRUE(administrator.Exists() && desktopUser.Exists());
  enum Held { kNothing, kTheFile, kTheLockFile };
  struct Case {
    const char* name;
    const char* file;
    gid_t group;
    mode_t mode, lockMode;  // as the install leaves them
    Held held;              // what nobody locks
    int operation;
    bool canHold;  // whether nobody can open what it locks
    const corvane_test::TemporaryUser& writer;
    bool saved;
  };
  const Case cases[] = {
      {"an administrator writes sysinfo.xml", "sysinfo.xml", administrators, 0664, 0660, kNothing, 0, false,
       administrator, true},
      {"a user who is no administrator may not write it", "sysinfo.xml", administrators, 0664, 0660, kNothing, 0,
       false, desktopUser, false},
      {"a reader holds sysinfo.xml's exclusive lock", "sysinfo.xml", administrators, 0664, 0660, kTheFile, LOCK_EX,
       true, administrator, true},
      {"a reader holds sysinfo.xml's shared lock", "sysinfo.xml", administrators, 0664, 0660, kTheFile, LOCK_SH, true,
       administrator, true},
      {"a reader cannot open sysinfo.xml's lock file", "sysinfo.xml", administrators, 0664, 0660, kTheLockFile,
       LOCK_EX, false, administrator, true},
      {"a desktop user writes lineselect.xml", "lineselect.xml", 0, 0666, 0666, kNothing, 0, false, desktopUser, true},
      {"another desktop user holds lineselect.xml's exclusive lock", "lineselect.xml", 0, 0666, 0666, kTheFile,
       LOCK_EX, true, desktopUser, true},
      {"a co-writer holds lineselect.xml's lock file", "lineselect.xml", 0, 0666, 0666, kTheLockFile, LOCK_EX, true,
       desktopUser, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ForeignFolder foreign(c.file);
    ASSERT_TRUE(foreign.Ready());
    WriteFile(foreign.File(), "<system_info><version>1</version></system_info>\r\n");
    foreign.Give(c.group, c.mode, c.lockMode);
    std::optional<corvane_test::OtherUserLock> lock;
    if (c.held != kNothing) {
      lock.emplace((c.held == kTheFile ? foreign.File() : LockOf(foreign.File())).string(), c.operation);
      ASSERT_EQ(lock->Held(), c.canHold) << "what nobody can open and lock";
    }
    const auto started = Clock::now();
    const UserRun run = SaveAndLoadAs(c.writer, foreign.File(), "2");
    const auto took = Clock::now() - started;
    EXPECT_EQ(run.saved, c.saved) << run.saveError;
    if (!c.saved) {
      EXPECT_FALSE(run.saveError.empty());
    }
    EXPECT_EQ(run.loaded, static_cast<int>(XmlLoadResult::kLoaded)) << "every user may read it";
    EXPECT_EQ(run.version, c.saved ? "2" : "1");
    EXPECT_LT(run.loadMilliseconds, platform::kLockWaitMilliseconds) << "the read waited";
    EXPECT_EQ(fs::file_size(LockOf(foreign.File())) % 2, 0u) << "the writer's count is left odd for readers to wait for";
    // One bounded wait at most, for a lock a co-writer holds; a wait without bound
    // would still be here.
    EXPECT_LT(took, std::chrono::milliseconds(2 * platform::kLockWaitMilliseconds));
  }
}

// packaging/post-install.sh, on a fresh install and on an upgrade: the shared files'
// owners and modes, a lock file beside each, openable only by those who may write it,
// and nothing changed through whatever the data folder's owner may have left at a
// shared file's or a lock file's name.
TEST(SharedXmlFile, TheInstallGivesTheSharedFilesAndTheirLockFilesTheirRightsThroughNoLink) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the lock files their owner and group";
  const char* group = nullptr;
  for (const char* name : {"sudo", "wheel", "admin"}) {
    if (GroupId(name) != static_cast<gid_t>(-1)) {
      group = name;
      break;
    }
  }
  if (group == nullptr) GTEST_SKIP() << "this machine has no administrators' group";
  const gid_t administrators = GroupId(group);
  struct Case {
    const char* name;
    std::function<void(const fs::path& data, const fs::path& victim)> before;
    bool kept;  // the lock file there before stays
  };
  const Case cases[] = {
      {"fresh", [](const fs::path&, const fs::path&) {}, false},
      {"already right", [&](const fs::path& data, const fs::path&) {
         WriteFile(data / "sysinfo.xml.lock", "kept");
         ASSERT_EQ(::chown((data / "sysinfo.xml.lock").c_str(), 0, administrators), 0);
         ::chmod((data / "sysinfo.xml.lock").c_str(), 0660);
       }, true},
      {"open to everyone", [](const fs::path& data, const fs::path&) {
         WriteFile(data / "sysinfo.xml.lock", "");
         ::chmod((data / "sysinfo.xml.lock").c_str(), 0666);
       }, false},
      {"links to another file", [](const fs::path& data, const fs::path& victim) {
         fs::create_symlink(victim, data / "sysinfo.xml.lock");
         fs::create_symlink(victim, data / "lineselect.xml.lock");
       }, false},
      {"a folder", [](const fs::path& data, const fs::path&) { fs::create_directory(data / "lineselect.xml.lock"); },
       false},
      // The data folder's owner (the service user) may put a link at any name there.
      {"the shared files are links to another file", [](const fs::path& data, const fs::path& victim) {
         for (const char* name : {"lineselect.xml", "sysinfo.xml", "lineprice.xml"}) {
           fs::remove(data / name);
           fs::create_symlink(victim, data / name);
         }
       }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder root;
    const fs::path data = root.path() / "data";
    const fs::path prefix = root.path() / "prefix";
    fs::create_directories(data);
    fs::create_directories(prefix);
    for (const char* name : {"lineselect.xml", "sysinfo.xml", "lineprice.xml"}) {
      fs::copy_file(fs::path(PACKAGING_FOLDER) / "defaults" / name, data / name);
    }
    const fs::path victim = root.path() / "victim";
    WriteFile(victim, "keep me");
    ::chmod(victim.c_str(), 0600);
    c.before(data, victim);
    const corvane_test::ProgramResult run = corvane_test::RunProgram(
        {"/bin/bash", "-c",
         "set -euo pipefail; cd '" + fs::path(PACKAGING_FOLDER).parent_path().string() + "'; prefix='" +
             prefix.string() + "'; data='" + data.string() + "'; CORVANE_APPLICATIONS_DIR='" +
             (root.path() / "applications").string() + "'; CORVANE_AUTOSTART_DIR='" +
             (root.path() / "autostart").string() + "'; . packaging/post-install.sh"});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    struct Expected {
      const char* lock;
      gid_t group;
      mode_t mode;
    };
    const Expected expected[] = {{"lineselect.xml.lock", 0, 0666}, {"sysinfo.xml.lock", administrators, 0660},
                                 {"lineselect.xml", 0, 0666},      {"sysinfo.xml", administrators, 0664},
                                 {"lineprice.xml", 0, 0644}};
    for (const Expected& e : expected) {
      SCOPED_TRACE(e.lock);
      struct stat status {};
      ASSERT_EQ(::lstat((data / e.lock).c_str(), &status), 0);
      EXPECT_TRUE(S_ISREG(status.st_mode));
      EXPECT_EQ(status.st_uid, 0u);
      EXPECT_EQ(status.st_gid, e.group);
      EXPECT_EQ(status.st_mode & 07777, e.mode);
    }
    struct stat victimStatus {};
    ASSERT_EQ(::stat(victim.c_str(), &victimStatus), 0);
    EXPECT_EQ(victimStatus.st_mode & 07777, 0600u) << "changed through a link";
    EXPECT_EQ(victimStatus.st_gid, 0u) << "changed through a link";
    EXPECT_EQ(ReadFile(victim), "keep me");
    if (c.kept) {
      EXPECT_EQ(ReadFile(data / "sysinfo.xml.lock"), "kept");
    }
  }
}

}  // namespace
}  // namespace Velunor::Quillon::Common
