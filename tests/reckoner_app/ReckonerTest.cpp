// CorvaneReckoner's own parts: the price-file check, the lines it offers, the in-place
// rewrite of lineselect.xml, and the chooser window (drawn off screen). The installed
// default price files are priced through the viewer's own model here too.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "common/ProductName.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/testing/DrawingInspection.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/testing/WindowInspection.h"
#include "platform/ui/windows/MessageLoop.h"
#include "prices/PriceLogic.h"
#include "reckoner/LineChooser.h"
#include "reckoner/Messages.h"
#include "reckoner/PriceFiles.h"
#include "reckoner/Reckoner.h"
#include "tests/OtherUserLock.h"
#include "tests/TestSandbox.h"

namespace Velunor::Quillon::Reckoner {
namespace {

using corvane_test::Sandbox;

const bool kOffscreen = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}();

const char kSelectPlus[] = "<?xml version=\"1.0\" ?><lineselect><version>7</version><lineselect name=\"ソラネプラス　\"/></lineselect>";

TEST(ReckonerMessages, MissingFilesNameTheProductFirst) {
  EXPECT_EQ(std::wstring(kMsgStartFailedReinstall).find(Common::kProductName), 0u);
  EXPECT_NE(std::wstring(kMsgStartFailedReinstall).find(L"。\r\n再度"), std::wstring::npos);
}

TEST(ReckonerCheck, ReadyMissingOrUnreadable) {
  struct Case {
    const char* name;
    const char* lineSelect;  // null: no file
    const char* linePrice;
    PriceFileState state;
  };
  const Case cases[] = {
      {"both there", kSelectPlus, "<p><price_logic/></p>", PriceFileState::Ready},
      {"no line named yet", "<lineselect/>", "<p><price_logic/></p>", PriceFileState::Ready},
      {"lineselect.xml missing", nullptr, "<p><price_logic/></p>", PriceFileState::Missing},
      {"lineprice.xml missing", kSelectPlus, nullptr, PriceFileState::Missing},
      {"lineprice.xml without price_logic", kSelectPlus, "<p><lines/></p>", PriceFileState::Unreadable},
      {"lineprice.xml cut short", kSelectPlus, "<p><price_logic>", PriceFileState::Unreadable},
      {"lineselect.xml not XML", "version=1", "<p><price_logic/></p>", PriceFileState::Unreadable},
  };
  for (const Case& c : cases) {
    Sandbox sandbox;
    if (c.lineSelect != nullptr) sandbox.WriteData("lineselect.xml", c.lineSelect);
    if (c.linePrice != nullptr) sandbox.WriteData("lineprice.xml", c.linePrice);
    EXPECT_EQ(CPriceFiles::Check(), c.state) << c.name;
  }
  Sandbox sandbox;
  sandbox.InstallDefaultPriceFiles();
  EXPECT_EQ(ReckonerMain(L""), kReady) << "the installed files pass without any window";
}

TEST(ReckonerFiles, DefaultLinesAndTheirPrices) {
  Sandbox sandbox;
  sandbox.InstallDefaultPriceFiles();
  std::vector<LineEntry> lines;
  ASSERT_TRUE(CPriceFiles::ReadLines(lines));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].name, L"ソラネ　");
  EXPECT_EQ(lines[1].name, L"ソラネプラス　");
  EXPECT_FALSE(lines[0].description.empty());
  EXPECT_EQ(CPriceFiles::ReadSelectedName(), L"ソラネ　");

  Ui::CPriceLogic price;
  ASSERT_EQ(price.LoadLineSelect(), 1);
  ASSERT_EQ(price.LoadLinePrice(), 1);
  ASSERT_EQ(price.GetLines().size(), 2u);
  EXPECT_EQ(price.GetSelectedLineName(), L"ソラネ　");
  EXPECT_EQ(price.GetLines()[0]->GetLineId(), L"sorane");
  EXPECT_EQ(price.GetLines()[1]->GetLineId(), L"sorane-plus");
  struct Case {
    std::size_t line;
    std::uint32_t mebibytes;
    std::uint32_t value;
    float price;
  };
  const Case cases[] = {
      {0, 0, 0, 2480},       {0, 300, 300, 2480},    {0, 301, 310, 2730},     {0, 1495, 1500, 32480},
      {0, 1500, 1500, 32480}, {0, 1501, 1501, 32480}, {0, 90000, 90000, 32480}, {1, 0, 0, 3980},
      {1, 50, 50, 3980},     {1, 51, 51, 5980},      {1, 90000, 90000, 5980},
  };
  for (const Case& c : cases) {
    float charge = -1;
    std::uint32_t value = 12345;
    price.GetLines()[c.line]->Evaluate(c.mebibytes, charge, value);
    EXPECT_EQ(value, c.value) << "line " << c.line << ", " << c.mebibytes << " MiB";
    EXPECT_EQ(charge, c.price) << "line " << c.line << ", " << c.mebibytes << " MiB";
  }
}

TEST(ReckonerFiles, ChosenLineIsWrittenInPlaceKeepingTheRest) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the data folder to the service's user";
  Sandbox sandbox;
  sandbox.WriteData("lineselect.xml", kSelectPlus);
  sandbox.WriteData("lineselect.xml.lock", "");
  const std::string path = (sandbox.DataFolder() / "lineselect.xml").string();
  // The data folder is the service's: desktop users may write this one file only.
  ASSERT_EQ(::chown(sandbox.DataFolder().c_str(), corvane_test::OtherUserLock::kNobody, 0), 0);
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  ASSERT_TRUE(CPriceFiles::WriteSelectedName(L"ソラネ　"));
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "rewritten in place: users need no write access to the folder";
  EXPECT_EQ(CPriceFiles::ReadSelectedName(), L"ソラネ　");
  EXPECT_NE(corvane_test::ReadFile(path).find("<version>7</version>"), std::string::npos);

  // No file yet in a folder of one's own: one the viewer reads is made.
  ASSERT_EQ(::chown(sandbox.DataFolder().c_str(), 0, 0), 0);
  boost::filesystem::remove(path);
  ASSERT_TRUE(CPriceFiles::WriteSelectedName(L"ソラネプラス　"));
  EXPECT_EQ(corvane_test::ReadFile(path),
            "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<lineselect>\r\n    <version>1</version>\r\n"
            "    <lineselect name=\"ソラネプラス　\" />\r\n</lineselect>\r\n");
  Ui::CPriceLogic price;
  EXPECT_EQ(price.LoadLineSelect(), 1);
  EXPECT_EQ(price.GetSelectedLineName(), L"ソラネプラス　");

  // A file that cannot be written is reported.
  ::chmod(path.c_str(), 0444);
  if (::access(path.c_str(), W_OK) != 0) {
    EXPECT_FALSE(CPriceFiles::WriteSelectedName(L"ソラネ　"));
  }
}

TEST(ReckonerChooser, ListsTheLinesAndWritesTheChoiceOnOkOnly) {
  Sandbox sandbox;
  sandbox.InstallDefaultPriceFiles();
  std::vector<LineEntry> lines;
  ASSERT_TRUE(CPriceFiles::ReadLines(lines));
  platform::MessageLoop loop;
  struct Case {
    int button;  // the last button pressed
    const wchar_t* written;
  };
  const Case cases[] = {{platform::IDCANCEL, L"ソラネ　"}, {platform::IDOK, L"ソラネプラス　"}};
  for (const Case& c : cases) {
    sandbox.InstallDefaultPriceFiles();
    CLineChooser chooser(lines, CPriceFiles::ReadSelectedName());
    ASSERT_TRUE(chooser.Create(chooser.Module(), CLineChooser::kDialogId));
    EXPECT_EQ(chooser.GetChoice(), 0);
    const platform::UiWindow second = platform::GetDlgItem(chooser.Handle(), CLineChooser::kFirstLineButtonId + 1);
    EXPECT_EQ(platform::GetWindowText(platform::GetDlgItem(chooser.Handle(), CLineChooser::kFirstLineButtonId)).rfind(L"● ", 0), 0u);
    platform::SendMessage(second, platform::BM_CLICK);
    EXPECT_EQ(chooser.GetChoice(), 1);
    EXPECT_EQ(platform::GetWindowText(second).rfind(L"● ソラネプラス　", 0), 0u);
    platform::SendMessage(platform::GetDlgItem(chooser.Handle(), c.button), platform::BM_CLICK);
    EXPECT_EQ(CPriceFiles::ReadSelectedName(), c.written);
    platform::ProcessPendingMessages();
  }
}

// Elements nested far deeper than the XML library's recursion survives.
std::string DeeplyNested(std::size_t depth = 300000) {
  std::string text;
  text.reserve(depth * 7 + 16);
  for (std::size_t i = 0; i < depth; ++i) text += "<a>";
  for (std::size_t i = 0; i < depth; ++i) text += "</a>";
  return text;
}

TEST(ReckonerFiles, DeeplyNestedFilesAreUnreadableNotACrash) {
  // Plain, and behind a declaration whose quoted '>' a guard of its own rules would take
  // for the declaration's end (and then for a comment that never ends).
  const std::string hidden = "<?xml version=\"><!--\" ?>" + DeeplyNested(60000);
  struct Case {
    const char* name;
    const std::string* text;
    bool deepSelect;
  } cases[] = {{"lineselect.xml", nullptr, true},
               {"lineprice.xml", nullptr, false},
               {"lineselect.xml", &hidden, true},
               {"lineprice.xml", &hidden, false}};
  const std::string plain = DeeplyNested();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + std::string(c.text != nullptr ? ", hidden" : ", plain"));
    Sandbox sandbox;
    sandbox.InstallDefaultPriceFiles();
    sandbox.WriteData(c.name, c.text != nullptr ? *c.text : plain);
    EXPECT_EQ(CPriceFiles::Check(), PriceFileState::Unreadable) << "the viewer then does not open";
    std::vector<LineEntry> lines;
    EXPECT_EQ(CPriceFiles::ReadLines(lines), c.deepSelect) << "the lines come from lineprice.xml alone";
    EXPECT_EQ(CPriceFiles::ReadSelectedName(), c.deepSelect ? L"" : L"ソラネ　");
  }
}

// Another user's lock on lineselect.xml is nothing to the reckoner: the check and the
// viewer read without a lock. One on its lock file, which every desktop user may open
// as every one may write the file, holds up the write, for the bound and no longer.
TEST(ReckonerFiles, ALockOfAnotherUserHoldsUpOnlyTheWriteAndNoLongerThanTheBound) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to start a process as another user";
  struct Case {
    const char* locked;
    bool written;
  };
  const Case cases[] = {{"lineselect.xml", true}, {"lineselect.xml.lock", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locked);
    Sandbox sandbox;
    sandbox.InstallDefaultPriceFiles();
    ASSERT_EQ(::chown(sandbox.DataFolder().c_str(), corvane_test::OtherUserLock::kNobody, 0), 0);
    corvane_test::OtherUserLock lock((sandbox.DataFolder() / c.locked).string());
    ASSERT_TRUE(lock.Held());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(CPriceFiles::Check(), PriceFileState::Ready);
    EXPECT_EQ(CPriceFiles::WriteSelectedName(L"ソラネプラス　"), c.written);
    Ui::CPriceLogic price;
    EXPECT_EQ(price.LoadLineSelect(), 1);
    EXPECT_EQ(price.GetSelectedLineName(), c.written ? L"ソラネプラス　" : L"ソラネ　");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30)) << "bounded waits only";
  }
}

TEST(ReckonerChooser, TheMarkShowsForEveryNameLength) {
  Sandbox sandbox;
  platform::MessageLoop loop;
  for (std::size_t length : {2u, 7u, 40u, 300u}) {
    SCOPED_TRACE(length);
    std::wstring name(length, L'ソ');
    std::vector<LineEntry> lines = {{name, L"説明"}, {L"ほか", L"説明"}};
    CLineChooser chooser(lines, name);
    ASSERT_TRUE(chooser.Create(chooser.Module(), CLineChooser::kDialogId));
    std::optional<platform::PixelImage> picture = platform::CaptureClientArea(chooser.Handle());
    ASSERT_TRUE(picture);
    platform::Point origin;
    platform::ClientToScreen(chooser.Handle(), origin);
    // Dark (text) pixels in a band of columns of a button, as the screen shows it.
    const auto darkIn = [&](int lineIndex, int fromLeft, int toLeft, bool fromRight) {
      platform::Rect button;
      platform::GetWindowRect(platform::GetDlgItem(chooser.Handle(), CLineChooser::kFirstLineButtonId + lineIndex), button);
      const int left = button.left - origin.x, right = button.right - origin.x;
      int count = 0;
      for (int x = fromRight ? right - toLeft : left + fromLeft; x < (fromRight ? right - fromLeft : left + toLeft); ++x) {
        for (int y = button.top - origin.y + 3; y < button.bottom - origin.y - 3; ++y) {
          const platform::ColorRef pixel = picture->At(x, y);
          if (platform::RedOf(pixel) + platform::GreenOf(pixel) + platform::BlueOf(pixel) < 200) ++count;
        }
      }
      return count;
    };
    EXPECT_GT(darkIn(0, 2, 16, false), 10) << "the mark at the left of the chosen line";
    EXPECT_EQ(darkIn(1, 2, 16, false), 0) << "no mark on the other line";
    EXPECT_EQ(darkIn(0, 2, 5, true), 0) << "the text ends before the right edge: not cut off";
    platform::DestroyWindow(chooser.Handle());
  }
}

}  // namespace
}  // namespace Velunor::Quillon::Reckoner
