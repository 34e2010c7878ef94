// CorvaneReckoner's own parts: the price-file check, the lines it offers, the in-place
// rewrite of lineselect.xml, and the chooser window (drawn off screen). The installed
// default price files are priced through the viewer's own model here too.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/ui/MessageLoop.h"
#include "reckoner/LineChooser.h"
#include "reckoner/PriceFiles.h"
#include "reckoner/Reckoner.h"
#include "tests/viewer_app/ViewerSandbox.h"
#include "viewer/PriceLogic.h"

namespace Velunor::Quillon::Reckoner {
namespace {

using viewer_test::Sandbox;

const bool kOffscreen = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}();

const char kSelectPlus[] = "<?xml version=\"1.0\" ?><lineselect><version>7</version><lineselect name=\"ソラネプラス　\"/></lineselect>";

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
  Sandbox sandbox;
  sandbox.WriteData("lineselect.xml", kSelectPlus);
  const std::string path = (sandbox.DataFolder() / "lineselect.xml").string();
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  ASSERT_TRUE(CPriceFiles::WriteSelectedName(L"ソラネ　"));
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "rewritten in place: users need no write access to the folder";
  EXPECT_EQ(CPriceFiles::ReadSelectedName(), L"ソラネ　");
  EXPECT_NE(viewer_test::ReadFile(path).find("<version>7</version>"), std::string::npos);

  // No file yet: one the viewer reads is made.
  boost::filesystem::remove(path);
  ASSERT_TRUE(CPriceFiles::WriteSelectedName(L"ソラネプラス　"));
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

}  // namespace
}  // namespace Velunor::Quillon::Reckoner
