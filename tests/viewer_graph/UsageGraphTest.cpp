// The usage graph painted for fixture months on the viewer's own dialog (graph frame at
// 5, 65, 490 x 180), checked at pixels and against one reference picture per fixture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <boost/filesystem.hpp>

#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/testing/DrawingInspection.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "resources/viewer/ViewerResources.h"
#include "tests/widgets/WidgetTestSupport.h"
#include "viewer/MonthUsage.h"
#include "viewer/UsageGraph.h"
#include "widgets/FontSelector.h"

namespace {

using namespace widget_test;
using platform::ColorRef;
using platform::DateTime;
using platform::Rect;
using Velunor::Quillon::Ui::CMonthUsage;
using Velunor::Quillon::Ui::CUsageGraph;

constexpr std::uint64_t kMiB = 1048576;
const ColorRef kInPeriod = CUsageGraph::kInPeriodColor;
const ColorRef kOutside = CUsageGraph::kOutsideColor;
const ColorRef kLine = CUsageGraph::kLineColor;
const ColorRef kBar = CUsageGraph::kBarColor;
const ColorRef kClipped = CUsageGraph::kClippedBarColor;

// Where the main window puts its graph frame.
const Rect kGraphPlace{5, 65, 495, 245};

// July 2015 measured from the 3rd to the 20th on the 50 MB axis.
CMonthUsage PartialJuly() {
  CMonthUsage month;
  month.Init(DateTime(2015, 7, 1), DateTime(2015, 7, 3, 12, 0, 0), DateTime(2015, 7, 20, 18, 30, 0));
  month.SetDay(1, 5 * kMiB, 0, 0);  // before the install date
  month.SetDay(3, 30 * kMiB, 20 * kMiB, 0);  // exactly the axis
  month.SetDay(4, 0, 1, 0);
  month.SetDay(5, 0, 25 * kMiB, 0);
  month.SetDay(6, 0, 0, 0);
  month.SetDay(7, 4 * kMiB, 4 * kMiB, 2 * kMiB);
  month.SetDay(8, 7 * kMiB, 0, 0);
  month.SetDay(25, 40 * kMiB, 0, 0);  // after the last data date
  return month;
}

// February 2015, wholly measured, on the 1500 MB axis with one day beyond it.
CMonthUsage ClippedFebruary() {
  CMonthUsage month;
  month.Init(DateTime(2015, 2, 1), DateTime(2014, 11, 5), DateTime(2015, 3, 2, 9, 0, 0));
  month.SetDay(1, 1500 * kMiB + 1, 0, 0);
  month.SetDay(2, 1000 * kMiB, 500 * kMiB, 0);
  month.SetDay(3, 1, 0, 0);
  month.SetDay(10, 750 * kMiB, 0, 0);
  month.SetDay(28, 100 * kMiB, 0, 0);
  month.SetDay(30, 900 * kMiB, 0, 0);  // a day February lacks
  return month;
}

// A month without measured days (no install date, no data).
CMonthUsage Unmeasured() {
  CMonthUsage month;
  month.Init(DateTime(2016, 4, 1), DateTime(), DateTime());
  return month;
}

// The viewer's main dialog with the graph frame where the main window moves it.
class GraphHost : public platform::Dialog {
 public:
  Rect place = kGraphPlace;
  const CMonthUsage* painted = nullptr;  // painted on WM_PAINT when set

  bool Open() { return Create(Velunor::Quillon::Ui::GetViewerResources(), Velunor::Quillon::Ui::kMainDialogId); }
  void MoveGraph(const Rect& to) {
    platform::MoveWindow(platform::GetDlgItem(Handle(), CUsageGraph::kGraphControlId), to.left, to.top, to.Width(),
                         to.Height(), false);
  }

 protected:
  bool ProcessWindowMessage(platform::UiWindow window, unsigned int message, platform::WParam, platform::LParam,
                            platform::LResult& result) override {
    if (message == platform::WM_PAINT && painted != nullptr) {
      platform::PaintStruct paint;
      platform::DcHandle dc = platform::BeginPaint(window, paint);
      CUsageGraph(painted).Draw(window, dc);
      platform::EndPaint(window, paint);
      result = 0;
      return true;
    }
    if (message != platform::WM_INITDIALOG) return false;
    MoveGraph(place);
    result = 1;
    return true;
  }
};

class UsageGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartToolkit();
    ASSERT_TRUE(host_.Open());
    platform::ShowWindow(host_.Handle(), platform::SW_SHOW);
    platform::ProcessPendingMessages();
  }
  void TearDown() override {
    platform::DestroyWindow(host_.Handle());
    platform::ProcessPendingMessages();
  }

  // The graph as Draw puts it into a 500 x 520 paint context, cut out of it.
  platform::PixelImage Paint(const CMonthUsage& month) {
    platform::MemoryCanvas window(500, 520);
    CUsageGraph graph(&month);
    graph.Draw(host_.Handle(), window.dc());
    platform::PixelImage whole = window.Pixels();
    platform::PixelImage graphPart;
    graphPart.width = kGraphPlace.Width();
    graphPart.height = kGraphPlace.Height();
    for (int y = kGraphPlace.top; y < kGraphPlace.bottom; ++y) {
      for (int x = kGraphPlace.left; x < kGraphPlace.right; ++x) graphPart.pixels.push_back(whole.At(x, y));
    }
    return graphPart;
  }

  GraphHost host_;
};

TEST(UsageGraphGeometry, FollowsTheClientRectangle) {
  struct Case {
    Rect client;
    int originX, originY, rowHeight, columnWidth;
  };
  const Case cases[] = {
      {Rect{0, 0, 490, 180}, 30, 155, 30, 14},
      {Rect{0, 0, 500, 200}, 30, 175, 34, 14},
      {Rect{0, 0, 81, 36}, 30, 11, 1, 1},
      {Rect{0, 0, 40, 20}, 30, -5, -2, 0},  // smaller than the margins
      {Rect{0, 0, 0, 0}, 30, -25, -6, -1},
  };
  for (const Case& c : cases) {
    platform::Point origin = CUsageGraph::GetOrigin(c.client);
    EXPECT_EQ(origin.x, c.originX) << c.client.right;
    EXPECT_EQ(origin.y, c.originY) << c.client.right;
    EXPECT_EQ(CUsageGraph::GetRowHeight(c.client), c.rowHeight) << c.client.right;
    EXPECT_EQ(CUsageGraph::GetColumnWidth(c.client), c.columnWidth) << c.client.right;
  }
}

TEST_F(UsageGraphTest, CopiesIntoTheFramesPlaceOnly) {
  CMonthUsage month = PartialJuly();
  platform::MemoryCanvas window(500, 520);
  window.Fill(kBlue);
  CUsageGraph(&month).Draw(host_.Handle(), window.dc());
  EXPECT_EQ(window.Ink(Rect{0, 0, 500, 520}), (Rect{0, 0, 500, 520}));
  EXPECT_EQ(window.At(5, 65), kWhite);
  EXPECT_EQ(window.At(494, 244), kWhite);
  for (auto [x, y] : {std::pair{4, 100}, {495, 100}, {100, 64}, {100, 245}}) {
    EXPECT_EQ(window.At(x, y), kBlue) << x << "," << y;
  }
}

// Column colour by day for each fixture, seen between the top two grid lines beside
// the bar.
TEST_F(UsageGraphTest, ColumnsShowTheMeasuredPeriod) {
  struct Case {
    const char* name;
    CMonthUsage month;
    int firstIn, lastIn;  // 0, 0: none
  };
  const Case cases[] = {
      {"partial July", PartialJuly(), 3, 20},
      {"February", ClippedFebruary(), 1, 28},
      {"unmeasured", Unmeasured(), 0, 0},
  };
  for (const Case& c : cases) {
    platform::PixelImage graph = Paint(c.month);
    for (int day = 1; day <= 31; ++day) {
      const bool in = day >= c.firstIn && day <= c.lastIn && c.firstIn != 0;
      const int columnLeft = 30 + (day - 1) * 14;
      for (int x : {columnLeft + 1, columnLeft + 13}) {
        EXPECT_EQ(graph.At(x, 20), in ? kInPeriod : kOutside) << c.name << " day " << day << " x " << x;
      }
    }
    EXPECT_EQ(graph.At(29, 20), kWhite) << c.name;
    EXPECT_EQ(graph.At(465, 20), kWhite) << c.name;
    EXPECT_EQ(graph.At(100, 4), kWhite) << c.name << ": above the plot";
  }
}

// Bars: 10 pixels wide, 2 in from the column's left edge, height 150 x permille / 1000
// from the base line at 155; red when the day exceeds the axis; painted over the grid.
TEST_F(UsageGraphTest, BarsHaveTheHeightAndColourOfTheirDay) {
  struct Bar {
    int day;
    int top;  // 155: no bar
    ColorRef colour;
  };
  struct Case {
    const char* name;
    CMonthUsage month;
    std::vector<Bar> bars;
  };
  const Case cases[] = {
      {"partial July",
       PartialJuly(),
       {{1, 155, kOutside},      // bytes, but before the install date
        {3, 5, kBar},            // exactly the axis: full height, not clipped
        {4, 154, kBar},          // one byte: one pixel
        {5, 80, kBar},           // 500 permille
        {6, 155, kInPeriod},     // no traffic
        {7, 125, kBar},          // up to a grid line
        {8, 134, kBar},          // 140 permille
        {25, 155, kOutside}}},   // bytes, but after the last data date
      {"February",
       ClippedFebruary(),
       {{1, 5, kClipped},        // one byte over 1500 MB
        {2, 5, kBar},            // exactly 1500 MB
        {3, 154, kBar},
        {10, 80, kBar},
        {28, 146, kBar},         // 66 permille
        {30, 155, kOutside}}},   // February has no 30th
  };
  for (const Case& c : cases) {
    platform::PixelImage graph = Paint(c.month);
    for (const Bar& bar : c.bars) {
      const int left = 30 + (bar.day - 1) * 14 + 2;
      const std::string where = std::string(c.name) + " day " + std::to_string(bar.day);
      const ColorRef beside = bar.colour == kOutside ? kOutside : kInPeriod;
      EXPECT_EQ(graph.At(left - 1, 154), beside) << where;
      EXPECT_EQ(graph.At(left + 10, 154), beside) << where;
      if (bar.top == 155) {
        for (int x = left; x < left + 10; ++x) {
          EXPECT_EQ(graph.At(x, 154), bar.colour) << where;
        }
        continue;
      }
      for (int x = left; x < left + 10; ++x) {
        EXPECT_EQ(graph.At(x, bar.top), bar.colour) << where << " x " << x;
        EXPECT_EQ(graph.At(x, 154), bar.colour) << where << " x " << x;
      }
      EXPECT_EQ(graph.At(left, bar.top - 1), bar.top == 5 ? kWhite : kInPeriod) << where << ": above the bar";
      EXPECT_EQ(graph.At(left, 155), kLine) << where << ": the base line stays";
      if (bar.top <= 125) {
        EXPECT_EQ(graph.At(left + 5, 125), bar.colour) << where << ": over the grid";
      }
    }
  }
}

// Grid lines from x = 25 to the frame's right side at 464, the frame's sides up to the
// top line, five-pixel ticks below the base line.
TEST_F(UsageGraphTest, GridFrameAndTicks) {
  platform::PixelImage graph = Paint(Unmeasured());
  for (int row = 0; row <= 5; ++row) {
    const int y = 155 - 30 * row;
    for (int x = 25; x < 464; ++x) ASSERT_EQ(graph.At(x, y), kLine) << "row " << row << " x " << x;
    if (row < 5) {
      EXPECT_EQ(graph.At(464, y), kLine) << "frame at row " << row;
    }
    EXPECT_EQ(graph.At(24, y), kWhite) << "row " << row;
    EXPECT_EQ(graph.At(465, y), kWhite) << "row " << row;
  }
  for (int y = 6; y <= 160; ++y) {
    EXPECT_EQ(graph.At(30, y), kLine) << "left side at " << y;
    EXPECT_EQ(graph.At(464, y), kLine) << "right side at " << y;
  }
  EXPECT_EQ(graph.At(30, 161), kWhite);
  EXPECT_EQ(graph.At(30, 4), kWhite);
  for (int tick = 1; tick <= 30; ++tick) {
    const int x = 30 + 14 * tick;
    for (int y = 156; y <= 160; ++y) {
      EXPECT_EQ(graph.At(x, y), kLine) << "tick " << tick << " at " << y;
    }
    EXPECT_EQ(graph.At(x, 150), kOutside) << "no tick inside the plot";
  }
}

// The labels are the texts the axis gives, drawn exactly where a centred line of the
// label font puts them: value labels left of the grid, day numbers under the columns.
TEST_F(UsageGraphTest, LabelsFollowTheAxis) {
  struct Case {
    const char* name;
    CMonthUsage month;
    std::vector<std::wstring> values;
  };
  const Case cases[] = {
      {"axis 50", PartialJuly(), {L"0", L"10", L"20", L"30", L"40", L"50"}},
      {"axis 1500", ClippedFebruary(), {L"0", L"300", L"600", L"900", L"1200", L"1500"}},
  };
  for (const Case& c : cases) {
    platform::PixelImage graph = Paint(c.month);
    platform::MemoryCanvas expected(490, 180);
    {
      Velunor::Quillon::Ui::CFontSelector font(expected.dc(), L"ＭＳ Ｐゴシック", 10, 400);
      platform::SetBkMode(expected.dc(), platform::TRANSPARENT);
      platform::SetTextColor(expected.dc(), platform::Rgb(0, 0, 0));
      for (int row = 0; row <= 5; ++row) {
        const int y = 155 - 30 * row;
        CUsageGraph::DrawCenteredText(expected.dc(), c.values[row], Rect{0, y - 10, 25, y + 10});
      }
      CUsageGraph::DrawCenteredText(expected.dc(), L"[MB]", Rect{0, 5, 25, 25});
      for (int day = 1; day <= 31; ++day) {
        const int x = 30 + 14 * (day - 1);
        CUsageGraph::DrawCenteredText(expected.dc(), std::to_wstring(day), Rect{x, 160, x + 14, 180});
      }
      CUsageGraph::DrawCenteredText(expected.dc(), L"[日]", Rect{464, 160, 484, 180});
    }
    platform::PixelImage wanted = expected.Pixels();
    int valueInk = 0, dayInk = 0, valueDifferences = 0, dayDifferences = 0;
    for (int y = 0; y < 180; ++y) {
      for (int x = 0; x < 25; ++x) {
        valueInk += wanted.At(x, y) != kWhite;
        valueDifferences += graph.At(x, y) != wanted.At(x, y);
      }
    }
    for (int y = 161; y < 180; ++y) {
      for (int x = 30; x < 490; ++x) {
        dayInk += wanted.At(x, y) != kWhite;
        dayDifferences += graph.At(x, y) != wanted.At(x, y);
      }
    }
    EXPECT_GT(valueInk, 50) << c.name;
    EXPECT_GT(dayInk, 200) << c.name;
    EXPECT_EQ(valueDifferences, 0) << c.name;
    EXPECT_EQ(dayDifferences, 0) << c.name;
  }
}

// Painted on the window itself, the graph shows as drawn: the frame control that
// reserves its place adds nothing visible.
TEST_F(UsageGraphTest, ShowsOnTheWindowAsDrawn) {
  CMonthUsage month = ClippedFebruary();
  platform::PixelImage drawn = Paint(month);
  host_.painted = &month;
  platform::InvalidateRect(host_.Handle(), nullptr, false);
  platform::UpdateWindow(host_.Handle());
  std::optional<platform::PixelImage> window = platform::CaptureClientArea(host_.Handle());
  ASSERT_TRUE(window);
  ASSERT_GE(window->width, kGraphPlace.right);
  ASSERT_GE(window->height, kGraphPlace.bottom);
  int differences = 0;
  for (int y = 0; y < drawn.height; ++y) {
    for (int x = 0; x < drawn.width; ++x) {
      differences += window->At(kGraphPlace.left + x, kGraphPlace.top + y) != drawn.At(x, y);
    }
  }
  EXPECT_EQ(differences, 0);
  host_.painted = nullptr;
}

// A frame smaller than the margins draws a degenerate graph without failing and
// without spilling out of its place; a frame without area draws nothing.
TEST_F(UsageGraphTest, TinyFramesDegenerate) {
  CMonthUsage month = ClippedFebruary();
  for (Rect place : {Rect{5, 65, 45, 85}, Rect{5, 65, 5, 65}}) {
    host_.MoveGraph(place);
    platform::MemoryCanvas window(500, 520);
    window.Fill(kBlue);
    CUsageGraph(&month).Draw(host_.Handle(), window.dc());
    for (int y = 0; y < 520; y += 3) {
      for (int x = 0; x < 500; x += 3) {
        if (platform::PtInRect(place, platform::Point{x, y})) continue;
        ASSERT_EQ(window.At(x, y), kBlue) << place.Width() << ": " << x << "," << y;
      }
    }
  }
}

// One picture per fixture is written to the build folder and compared with the
// reference kept beside the tests. CORVANE_UPDATE_REFERENCE=1 rewrites the references.
TEST_F(UsageGraphTest, MatchesTheReferencePictures) {
  struct Case {
    const char* file;
    CMonthUsage month;
  };
  const Case cases[] = {
      {"graph_partial_july.png", PartialJuly()},
      {"graph_february_clipped.png", ClippedFebruary()},
      {"graph_unmeasured.png", Unmeasured()},
  };
  boost::filesystem::create_directories(GRAPH_OUTPUT_DIR);
  const char* update = std::getenv("CORVANE_UPDATE_REFERENCE");
  for (const Case& c : cases) {
    platform::PixelImage graph = Paint(c.month);
    const std::string written = std::string(GRAPH_OUTPUT_DIR) + "/" + c.file;
    const std::string reference = std::string(GRAPH_REFERENCE_DIR) + "/" + c.file;
    ASSERT_TRUE(graph.SavePng(written)) << written;
    if (update != nullptr && std::string(update) == "1") {
      ASSERT_TRUE(graph.SavePng(reference)) << reference;
      continue;
    }
    std::optional<platform::PixelImage> wanted = platform::LoadPixelImage(reference);
    ASSERT_TRUE(wanted) << "no reference " << reference << "; look at " << written << " and copy it there";
    ASSERT_EQ(wanted->width, graph.width);
    ASSERT_EQ(wanted->height, graph.height);
    int differences = 0;
    for (std::size_t i = 0; i < graph.pixels.size(); ++i) differences += graph.pixels[i] != wanted->pixels[i];
    EXPECT_EQ(differences, 0) << c.file << " differs from the reference; the new picture is " << written;
  }
}

}  // namespace
