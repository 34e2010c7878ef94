// Files that several users write in a folder that is none of theirs (lineselect.xml,
// sysinfo.xml): saved in place under a lock there and atomically in a folder of one's
// own, read under the shared lock so no reader sees half a file, and never waiting
// without bound for a lock that someone else holds.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <tinyxml.h>

#include <atomic>
#include <optional>
#include <chrono>
#include <string>
#include <thread>

#include "common/XmlFile.h"
#include "platform/core/LockedFile.h"
#include "tests/OtherUserLock.h"
#include "tests/TestSandbox.h"

namespace Velunor::Quillon::Common {
namespace {

using corvane_test::ReadFile;
using corvane_test::TempFolder;
using corvane_test::WriteFile;
namespace fs = boost::filesystem;

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

// A data folder that belongs to another user, as the machine-wide one does, holding a
// file that the test's user may write.
class ForeignFolder {
 public:
  ForeignFolder() {
    fs::create_directories(Folder());
    WriteFile(File(), "<old>an older and longer text than what replaces it</old>\r\n");
    ::chmod(File().c_str(), 0666);
    if (::chown(Folder().c_str(), kNobody, kNobody) != 0) owned_ = false;
  }
  bool Ready() const { return owned_ && geteuid() == 0; }
  fs::path Folder() const { return folder_.path() / "data"; }
  fs::path File() const { return Folder() / "shared.xml"; }

 private:
  TempFolder folder_;
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
  EXPECT_NE(InodeOf(mine), mineBefore) << "replaced atomically in a folder of our own";
}

TEST(SharedXmlFile, InPlaceRefusesWhatIsNotAPlainFileOfItsOwn) {
  ForeignFolder foreign;
  if (!foreign.Ready()) GTEST_SKIP() << "needs root to give the folder to another user";
  const fs::path target = foreign.Folder() / "elsewhere.txt";
  WriteFile(target, "keep me");
  const fs::path link = foreign.Folder() / "link.xml";
  fs::create_symlink(target, link);
  const fs::path pipe = foreign.Folder() / "pipe.xml";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
  for (const fs::path& path : {link, pipe, foreign.Folder() / "missing.xml"}) {
    SCOPED_TRACE(path.filename().string());
    std::string error;
    EXPECT_FALSE(SaveSharedXmlFile(Document("<new/>"), path.string(), error));
    EXPECT_FALSE(error.empty());
  }
  EXPECT_EQ(ReadFile(target), "keep me");
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

TEST(SharedXmlFile, ALockHeldByAnotherUserEndsInAFailureNotAHang) {
  ForeignFolder foreign;
  if (!foreign.Ready()) GTEST_SKIP() << "needs root to start a process as another user";
  const std::string before = ReadFile(foreign.File());
  std::optional<corvane_test::OtherUserLock> lock(std::in_place, foreign.File().string());
  ASSERT_TRUE(lock->Held()) << "the other user's process did not take the lock";

  const auto started = std::chrono::steady_clock::now();
  TiXmlDocument document;
  std::string error;
  EXPECT_EQ(LoadSharedXmlFile(document, foreign.File().string(), &error), XmlLoadResult::kReadFailed);
  EXPECT_NE(error.find("locked by another process"), std::string::npos) << error;
  std::string saveError;
  EXPECT_FALSE(SaveSharedXmlFile(Document("<new/>"), foreign.File().string(), saveError));
  EXPECT_NE(saveError.find("locked by another process"), std::string::npos) << saveError;
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(ReadFile(foreign.File()), before);

  lock.reset();
  // Two bounded waits; a wait without bound would still be here.
  EXPECT_LT(waited, std::chrono::milliseconds(4 * platform::kLockWaitMilliseconds));
  // Once the lock is gone, both work again.
  EXPECT_EQ(LoadSharedXmlFile(document, foreign.File().string(), &error), XmlLoadResult::kLoaded);
  EXPECT_TRUE(SaveSharedXmlFile(Document("<new/>"), foreign.File().string(), saveError)) << saveError;
}

}  // namespace
}  // namespace Velunor::Quillon::Common
