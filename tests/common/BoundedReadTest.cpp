// The size cap of whole-file reads, on real files that change while they are read: the
// size comes from the open file, nothing past the cap is read or held in memory, and a
// read the file changed under is not taken for the file. The XML loaders read every
// file through it, with the cap of our files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tinyxml.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "common/XmlFile.h"
#include "platform/core/LockedFile.h"
#include "platform/core/testing/FileReadWatch.h"
#include "tests/TestSandbox.h"
#include "tests/common/AllocationCeiling.h"

namespace Velunor::Quillon::Common {
namespace {

namespace fs = boost::filesystem;
using corvane_test::AllocationCeiling;
using corvane_test::ReadFile;
using corvane_test::TempFolder;
using corvane_test::WriteFile;
using platform::FileReadResult;
using platform::LinkRule;
using platform::testing::FileReadWatch;

constexpr off_t kTwentyGigabytes = 20LL * 1024 * 1024 * 1024;

// Sizes the file without writing a byte: growth is a hole, and costs no disk.
void SizeTo(const fs::path& path, off_t size) { ASSERT_EQ(::truncate(path.c_str(), size), 0) << path; }

// Rewrites the file in place with another byte, the same size, as a writer does: its
// lock file's count odd while the bytes change and one more after (the file's own times
// show it only where the kernel's time stamps are fine enough).
void Overwrite(const fs::path& path, char byte) {
  const fs::path lock = path.string() + platform::kWriterLockSuffix;
  const auto count = static_cast<off_t>(fs::file_size(lock));
  SizeTo(lock, count + (count % 2 == 0 ? 1 : 2));
  const int file = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(file, 0);
  struct stat status {};
  ASSERT_EQ(::fstat(file, &status), 0);
  const std::string bytes(static_cast<std::size_t>(status.st_size), byte);
  EXPECT_EQ(::pwrite(file, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
  ::close(file);
  SizeTo(lock, static_cast<off_t>(fs::file_size(lock)) + 1);
}

void Append(const fs::path& path, const std::string& bytes) {
  const int file = ::open(path.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(file, 0);
  EXPECT_EQ(::write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(file);
}

// What the platform read promises, with a cap of four pieces of the read (a piece is
// 64 KiB), whatever happens to the file between the read's look at it and its reads.
TEST(BoundedRead, NeverPastTheCapAndNeverAChangingFileTakenWhole) {
  constexpr std::size_t kCap = 4 * 65536;
  enum Expect { kWholeAsOnDisk, kTooLarge, kFailed };
  struct Case {
    const char* name;
    std::size_t size;   // bytes written at the start
    off_t holeTo;       // then grown sparsely to this size (0: not)
    std::function<void(const fs::path&, int reads)> beforeRead;  // what happens to it meanwhile
    Expect expect;
  };
  const auto atRead = [](int which, std::function<void(const fs::path&)> change) {
    return [which, change](const fs::path& path, int reads) {
      if (reads == which) change(path);
    };
  };
  const Case cases[] = {
      {"within the cap", 150000, 0, nullptr, kWholeAsOnDisk},
      {"empty", 0, 0, nullptr, kWholeAsOnDisk},
      {"exactly the cap", kCap, 0, nullptr, kWholeAsOnDisk},
      {"one byte over the cap", kCap + 1, 0, nullptr, kTooLarge},
      {"20 GB from the start", 100, kTwentyGigabytes, nullptr, kTooLarge},
      {"grown to 20 GB after the look, before the first read", 150000, 0,
       atRead(0, [](const fs::path& path) { SizeTo(path, kTwentyGigabytes); }), kTooLarge},
      {"grown to 20 GB between two pieces", 150000, 0,
       atRead(1, [](const fs::path& path) { SizeTo(path, kTwentyGigabytes); }), kTooLarge},
      {"grown one byte past the cap as its last piece is read", kCap, 0,
       atRead(3, [](const fs::path& path) { Append(path, "x"); }), kTooLarge},
      {"grown within the cap after the look", 100000, 0,
       atRead(0, [](const fs::path& path) { Append(path, std::string(10000, 'g')); }), kWholeAsOnDisk},
      {"rewritten in place, the same size, between two pieces", 150000, 0,
       atRead(1, [](const fs::path& path) { Overwrite(path, 'b'); }), kWholeAsOnDisk},
      {"rewritten in place after the last piece", 150000, 0,
       atRead(3, [](const fs::path& path) { Overwrite(path, 'c'); }), kWholeAsOnDisk},
      {"cut between two pieces", 150000, 0, atRead(1, [](const fs::path& path) { SizeTo(path, 10000); }),
       kWholeAsOnDisk},
      {"rewritten on every read, for longer than the bound", 150000, 0,
       [](const fs::path& path, int reads) { Overwrite(path, static_cast<char>('a' + reads % 26)); }, kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const fs::path path = folder.path() / "file";
    std::string initial(c.size, 'a');
    for (std::size_t i = 0; i < initial.size(); i += 1000) initial[i] = static_cast<char>('0' + i / 1000 % 10);
    WriteFile(path, initial);
    WriteFile(path.string() + platform::kWriterLockSuffix, "");
    if (c.holeTo != 0) SizeTo(path, c.holeTo);
    FileReadWatch watch(path.string(), [&](int reads) {
      if (c.beforeRead) c.beforeRead(path, reads);
    });
    std::string bytes = "left from before";
    std::string error;
    FileReadResult result = FileReadResult::kFailed;
    {
      // The buffer may take the cap and a little; a read that kept what it read past
      // the cap would ask for more.
      AllocationCeiling ceiling(kCap + 4096);
      EXPECT_NO_THROW(result = platform::ReadWholeFileAtMost(path.string(), kCap, LinkRule::kRefuse, bytes, error));
      EXPECT_EQ(ceiling.Refused(), 0u) << "asked for " << ceiling.Largest() << " bytes";
    }
    EXPECT_LE(bytes.size(), kCap);
    EXPECT_LE(watch.FurthestEnd(), kCap + 1) << "read past the cap and one byte";
    struct stat onDisk {};
    ASSERT_EQ(::stat(path.c_str(), &onDisk), 0);
    switch (c.expect) {
      case kWholeAsOnDisk:
        ASSERT_EQ(result, FileReadResult::kWhole) << error;
        ASSERT_LE(static_cast<std::size_t>(onDisk.st_size), kCap);
        EXPECT_TRUE(bytes == ReadFile(path)) << "a mix of two versions, or an old one: " << bytes.size() << " bytes";
        break;
      case kTooLarge:
        EXPECT_EQ(result, FileReadResult::kTooLarge) << error;
        EXPECT_TRUE(bytes.empty());
        EXPECT_NE(error.find("more than 262144 bytes"), std::string::npos) << error;
        break;
      case kFailed:
        EXPECT_EQ(result, FileReadResult::kFailed);
        EXPECT_TRUE(bytes.empty());
        EXPECT_NE(error.find("changed or being rewritten while read, for more than 3 s"), std::string::npos) << error;
        break;
    }
  }
}

TEST(BoundedRead, WhatIsNoRegularFileIsRefusedWithoutWaiting) {
  TempFolder folder;
  const fs::path file = folder.path() / "file";
  WriteFile(file, "whole");
  const fs::path link = folder.path() / "link";
  fs::create_symlink(file, link);
  const fs::path pipe = folder.path() / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  struct Case {
    fs::path path;
    LinkRule links;
    FileReadResult result;
  };
  const Case cases[] = {
      {link, LinkRule::kFollow, FileReadResult::kWhole},
      {link, LinkRule::kRefuse, FileReadResult::kNotRegular},
      {pipe, LinkRule::kFollow, FileReadResult::kNotRegular},  // no writer: a blocking open would hang
      {folder.path(), LinkRule::kFollow, FileReadResult::kNotRegular},
      {folder.path() / "missing", LinkRule::kFollow, FileReadResult::kMissing},
      {file / "below a file", LinkRule::kFollow, FileReadResult::kMissing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.string() + (c.links == LinkRule::kRefuse ? ", links refused" : ""));
    std::string bytes;
    std::string error;
    EXPECT_EQ(platform::ReadWholeFileAtMost(c.path.string(), 100, c.links, bytes, error), c.result) << error;
    EXPECT_EQ(bytes, c.result == FileReadResult::kWhole ? "whole" : "");
    if (c.result != FileReadResult::kWhole) {
      EXPECT_FALSE(error.empty());
    }
  }
}

// Grows the file sparsely to 20 GB from a thread of its own as soon as someone opens it
// (inotify tells of the open after it happened, so a look before the open saw it small).
class GrowOnOpen {
 public:
  explicit GrowOnOpen(const fs::path& path) : path_(path) {
    watch_ = ::inotify_init1(IN_CLOEXEC);
    if (watch_ >= 0 && ::inotify_add_watch(watch_, path.c_str(), IN_OPEN) >= 0) {
      thread_ = std::thread([this] {
        char event[4096];
        if (::read(watch_, event, sizeof event) > 0) grown_ = ::truncate(path_.c_str(), kTwentyGigabytes) == 0;
      });
    }
  }
  ~GrowOnOpen() {
    if (thread_.joinable()) {
      // Nobody opened it: an open of our own ends the thread.
      if (!grown_) ::close(::open(path_.c_str(), O_RDONLY));
      thread_.join();
    }
    if (watch_ >= 0) ::close(watch_);
  }

 private:
  fs::path path_;
  int watch_ = -1;
  std::atomic<bool> grown_{false};
  std::thread thread_;
};

// The loaders with the cap of our files: a file that is, or becomes, larger than it is
// refused as too large (kNoRoot) without being read into memory, and one at the cap is
// read. The files are "<r/>" and a hole, so they cost no disk.
TEST(BoundedRead, XmlFilesPastTheCapAreRefusedWithoutBeingReadIntoMemory) {
  enum Change { kNone, kGrowOnOpen, kGrowBeforeTheFirstRead };
  struct Case {
    const char* name;
    off_t size;
    Change change;
    // Another thread's growth may come only after the read, which then is the file
    // before it grew: whole, and loaded.
    bool loadedWhenTooLate;
    XmlLoadResult result;
  };
  constexpr off_t kCap = static_cast<off_t>(kMaxXmlFileBytes);
  const Case cases[] = {
      {"exactly the cap", kCap, kNone, false, XmlLoadResult::kLoaded},
      {"one byte over the cap", kCap + 1, kNone, false, XmlLoadResult::kNoRoot},
      {"20 GB before the load", kTwentyGigabytes, kNone, false, XmlLoadResult::kNoRoot},
      {"grown to 20 GB once the reader has opened it (another thread)", kCap - 4 * 1024 * 1024, kGrowOnOpen, true,
       XmlLoadResult::kNoRoot},
      {"grown to 20 GB between the reader's look and its read", 4, kGrowBeforeTheFirstRead, false,
       XmlLoadResult::kNoRoot},
  };
  using Loader = XmlLoadResult (*)(TiXmlDocument&, const std::string&, std::string*);
  const std::pair<const char*, Loader> loaders[] = {{"LoadXmlFile", &LoadXmlFile},
                                                    {"LoadSharedXmlFile", &LoadSharedXmlFile}};
  for (const Case& c : cases) {
    for (const auto& [loaderName, load] : loaders) {
      SCOPED_TRACE(std::string(c.name) + ", " + loaderName);
      TempFolder folder;
      const fs::path path = folder.path() / "file.xml";
      WriteFile(path, "<r/>");
      SizeTo(path, c.size);
      std::optional<GrowOnOpen> grower;
      if (c.change == kGrowOnOpen) grower.emplace(path);
      FileReadWatch watch(path.string(), [&](int reads) {
        if (c.change == kGrowBeforeTheFirstRead && reads == 0) SizeTo(path, kTwentyGigabytes);
      });
      TiXmlDocument document;
      std::string error;
      XmlLoadResult result = XmlLoadResult::kReadFailed;
      {
        AllocationCeiling ceiling(kMaxXmlFileBytes + 65536);
        EXPECT_NO_THROW(result = load(document, path.string(), &error));
        EXPECT_EQ(ceiling.Refused(), 0u) << "asked for " << ceiling.Largest() << " bytes";
      }
      EXPECT_LE(watch.FurthestEnd(), kMaxXmlFileBytes + 1);
      grower.reset();
      if (c.change == kGrowBeforeTheFirstRead) {
        EXPECT_GT(watch.Reads(), 0) << "the loader read without pread";
      }
      const XmlLoadResult expected =
          c.loadedWhenTooLate && result == XmlLoadResult::kLoaded ? XmlLoadResult::kLoaded : c.result;
      EXPECT_EQ(result, expected) << error;
      if (expected == XmlLoadResult::kNoRoot) {
        EXPECT_EQ(error, path.string() + ": too large to be one of our files");
      } else {
        ASSERT_NE(document.RootElement(), nullptr);
        EXPECT_STREQ(document.RootElement()->Value(), "r");
      }
    }
  }
}

}  // namespace
}  // namespace Velunor::Quillon::Common
