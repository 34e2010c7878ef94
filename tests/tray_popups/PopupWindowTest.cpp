// The two tray popups as real windows off screen: size and place, the parts they set
// up, what their pictures and texts paint, and which clicks and keys end them how.
// config.ini beside this program holds a two-line guidance text and an update text.
#include <gtest/gtest.h>

#include <cstdlib>

#include "common/ConfigSettings.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "platform/ui/drawing/GdiText.h"
#include "platform/ui/testing/DrawingInspection.h"
#include "platform/ui/testing/DrawnTextRecord.h"
#include "platform/ui/testing/InputSimulation.h"
#include "platform/ui/testing/MessageProcessing.h"
#include "platform/ui/testing/WindowInspection.h"
#include "platform/ui/windows/MessageLoop.h"
#include "resources/tray/TrayResources.h"
#include "tests/DrawnTextPrinting.h"
#include "tests/tray_popups/PopupSandbox.h"
#include "tray/NotificationWnd.h"
#include "tray/UpdateWnd.h"

namespace {

using namespace tray_popups_test;
using Velunor::Quillon::Resident::CNotificationWnd;
using Velunor::Quillon::Resident::CUpdateWnd;
using Velunor::Quillon::Resident::GetTrayResources;
namespace Resident = Velunor::Quillon::Resident;

constexpr platform::ColorRef kWhite = platform::Rgb(255, 255, 255);
constexpr platform::ColorRef kGrey = platform::Rgb(128, 128, 128);

// A white memory canvas of the popup's client size.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    dc_ = platform::CreateCompatibleDC(nullptr);
    bitmap_ = platform::CreateCompatibleBitmap(dc_, width, height);
    previous_ = platform::SelectObject(dc_, bitmap_);
    platform::FillRect(dc_, platform::Rect{0, 0, width, height}, platform::GetStockObject(platform::WHITE_BRUSH));
  }
  ~Canvas() {
    platform::SelectObject(dc_, previous_);
    platform::DeleteObject(bitmap_);
    platform::DeleteDC(dc_);
  }
  platform::DcHandle Dc() const { return dc_; }
  platform::ColorRef At(int x, int y) const { return platform::GetPixel(dc_, x, y); }
  // Whether the area at (left, top) holds exactly the module's picture.
  bool ShowsPicture(int left, int top, int bitmapId) const {
    platform::GdiObjectHandle picture = platform::LoadBitmap(GetTrayResources(), bitmapId);
    int width = 0;
    int height = 0;
    if (picture == nullptr || !platform::GetBitmapSize(picture, width, height)) return false;
    platform::DcHandle source = platform::CreateCompatibleDC(nullptr);
    platform::GdiObjectHandle old = platform::SelectObject(source, picture);
    bool same = true;
    for (int y = 0; y < height && same; ++y) {
      for (int x = 0; x < width && same; ++x) {
        if (left + x < width_ && top + y < height_) same = At(left + x, top + y) == platform::GetPixel(source, x, y);
      }
    }
    platform::SelectObject(source, old);
    platform::DeleteDC(source);
    platform::DeleteObject(picture);
    return same;
  }
  // Rows (and the columns they span) that hold the colour inside the rectangle.
  struct Ink {
    std::vector<int> rows;
    int left = 1 << 30;
    int right = -1;
  };
  Ink InkOf(platform::ColorRef color, const platform::Rect& area) const {
    Ink ink;
    for (int y = area.top; y < area.bottom && y < height_; ++y) {
      bool any = false;
      for (int x = area.left; x < area.right; ++x) {
        if (At(x, y) != color) continue;
        any = true;
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x + 1);
      }
      if (any) ink.rows.push_back(y);
    }
    return ink;
  }

 private:
  int width_;
  int height_;
  platform::DcHandle dc_;
  platform::GdiObjectHandle bitmap_;
  platform::GdiObjectHandle previous_;
};

// Separate runs of rows.
int Bands(const std::vector<int>& rows) {
  int bands = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i == 0 || rows[i] != rows[i - 1] + 1) ++bands;
  }
  return bands;
}

class TrayPopups : public ::testing::Test {
 protected:
  void SetUp() override { StartToolkit(); }
  Sandbox sandbox;
  PopupOwner owner;
};

// Runs the popup over the owner with the answer; see() runs while it is open.
template <class Popup>
std::intptr_t RunPopup(Popup& popup, PopupOwner& owner, Answer answer,
                  std::function<void(platform::UiWindow)> see = nullptr) {
  owner.AnswerNext(answer, std::move(see));
  std::intptr_t result = popup.DoModal(owner.Handle());
  owner.Settle();
  return result;
}

TEST_F(TrayPopups, GuidancePopupSitsAtTheWorkAreaCornerWithItsParts) {
  CNotificationWnd popup(GetTrayResources());
  bool seen = false;
  std::intptr_t result = RunPopup(popup, owner, Answer::CloseBox, [&](platform::UiWindow window) {
    seen = true;
    platform::Rect client;
    platform::Rect frame;
    ASSERT_TRUE(platform::GetClientRect(window, client));
    ASSERT_TRUE(platform::GetWindowRect(window, frame));
    EXPECT_EQ(client.Width(), 480);
    EXPECT_EQ(client.Height(), 150);
    // No tray host off screen: the bottom-right corner of the work area, the toolkit's
    // 800 x 800 off-screen screen.
    EXPECT_EQ(frame.right, 800);
    EXPECT_EQ(frame.bottom, 800);
    EXPECT_TRUE(platform::IsTopMost(window));
    EXPECT_TRUE(platform::IsWindowVisible(window));
    EXPECT_FALSE(platform::IsWindowEnabled(owner.Handle())) << "modal over its owner";
    EXPECT_EQ(platform::GetWindowText(window), std::wstring(Resident::kTrayPopupCaption));

    // The configured "\n" is a line break.
    EXPECT_EQ(popup.GetText().GetText(), L"先月の通信量をご確認ください。\nグラフを表示します。");
    EXPECT_EQ(popup.GetText().GetRect(), (platform::Rect{15, 53, 465, 173}));
    EXPECT_EQ(popup.GetText().GetTextColor(), kGrey);
    EXPECT_EQ(popup.GetText().GetFontHeight(), 18);
    EXPECT_EQ(popup.GetText().GetFontWeight(), 900);
    EXPECT_EQ(popup.GetIcon().GetRect(), (platform::Rect{224, 5, 256, 38}));
    EXPECT_EQ(popup.GetIcon().GetBitmapId(), Resident::kGuidanceInfoBitmapId);
    EXPECT_EQ(popup.GetShowButton().GetRect(), (platform::Rect{5, 103, 118, 145}));
    EXPECT_EQ(popup.GetCloseButton().GetRect(), (platform::Rect{362, 103, 475, 145}));
  });
  EXPECT_TRUE(seen);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(platform::IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(FindTrayPopup()) << "the popup is gone after its modal run";
}

TEST_F(TrayPopups, GuidancePopupPaintsItsPicturesAndTwoCentredLines) {
  CNotificationWnd popup(GetTrayResources());
  RunPopup(popup, owner, Answer::CloseBox, [&](platform::UiWindow window) {
    Canvas canvas(480, 150);
    platform::DrawnTextRecord record;
    popup.DrawParts(canvas.Dc());
    // The text item draws in its rectangle narrowed by 5 on either side, centred and
    // word-wrapped; the configured "\n" is a line break.
    EXPECT_EQ(record.Take(), (std::vector<platform::DrawnText>{
                                 {L"先月の通信量をご確認ください。\nグラフを表示します。", platform::Rect{20, 53, 460, 173},
                                  platform::DT_CENTER | platform::DT_WORDBREAK, L"ＭＳ Ｐゴシック", 18, 900, false, kGrey}}));
    EXPECT_EQ(canvas.At(0, 0), kWhite);
    EXPECT_EQ(canvas.At(479, 149), kWhite);
    EXPECT_TRUE(canvas.ShowsPicture(224, 5, Resident::kGuidanceInfoBitmapId));
    EXPECT_TRUE(canvas.ShowsPicture(5, 103, Resident::kShowButtonBitmapId));
    EXPECT_TRUE(canvas.ShowsPicture(362, 103, Resident::kCloseButtonBitmapId));
    // Between the buttons only the text paints: two lines, centred on the popup.
    Canvas::Ink ink = canvas.InkOf(kGrey, platform::Rect{120, 53, 360, 103});
    EXPECT_EQ(Bands(ink.rows), 2);
    Canvas::Ink all = canvas.InkOf(kGrey, platform::Rect{15, 53, 465, 103});
    ASSERT_GT(all.right, all.left);
    EXPECT_NEAR((all.left + all.right) / 2.0, 240.0, 6.0);

    // Hover shows the brighter picture, pressing the darker one.
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 60, 124, 0);
    Canvas hover(480, 150);
    popup.DrawParts(hover.Dc());
    EXPECT_TRUE(hover.ShowsPicture(5, 103, Resident::kShowButtonHoverBitmapId));
    EXPECT_TRUE(hover.ShowsPicture(362, 103, Resident::kCloseButtonBitmapId));
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 418, 124, 0);
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 418, 124, platform::MK_LBUTTON);
    Canvas pressed(480, 150);
    popup.DrawParts(pressed.Dc());
    EXPECT_TRUE(pressed.ShowsPicture(5, 103, Resident::kShowButtonBitmapId));
    EXPECT_TRUE(pressed.ShowsPicture(362, 103, Resident::kCloseButtonPressedBitmapId));
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 240, 20, 0);
  });
}

TEST_F(TrayPopups, GuidancePopupEndsOnPlainClicksAndTheCloseBoxOnly) {
  struct Case {
    const char* name;
    Answer answer;
    std::intptr_t result;
  } cases[] = {
      {"show button", Answer::Show, 1},
      {"close button", Answer::Close, 0},
      {"caption's close box", Answer::CloseBox, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CNotificationWnd popup(GetTrayResources());
    EXPECT_EQ(RunPopup(popup, owner, c.answer), c.result);
    EXPECT_EQ(popup.GetResult(), c.result);
  }
}

TEST_F(TrayPopups, GuidancePopupIgnoresModifiedClicksKeysAndCommands) {
  CNotificationWnd popup(GetTrayResources());
  std::intptr_t result = RunPopup(popup, owner, Answer::Close, [&](platform::UiWindow window) {
    for (unsigned int held : {platform::MK_SHIFT, platform::MK_CONTROL, platform::MK_RBUTTON}) {
      platform::SimulateMouse(window, platform::WM_LBUTTONDOWN, 60, 124, platform::MK_LBUTTON | held);
      platform::SimulateMouse(window, platform::WM_LBUTTONUP, 60, 124, held);
    }
    platform::SimulateKey(window, platform::VK_ESCAPE);
    platform::SimulateKey(window, platform::VK_RETURN);
    platform::SendMessage(window, platform::WM_COMMAND, platform::IDCANCEL);
    platform::SendMessage(window, platform::WM_COMMAND, platform::IDOK);
    platform::ProcessPendingMessages();
    EXPECT_TRUE(platform::IsWindow(window));
    EXPECT_TRUE(platform::IsWindowVisible(window));
    EXPECT_EQ(popup.GetResult(), 0) << "a modified click on show sets no result";
  });
  EXPECT_EQ(result, 0);
}

TEST_F(TrayPopups, UpdatePopupSitsAtTheCornerAndPaintsTextAndLink) {
  CUpdateWnd popup(GetTrayResources());
  std::intptr_t result = RunPopup(popup, owner, Answer::CloseBox, [&](platform::UiWindow window) {
    platform::Rect client;
    platform::Rect frame;
    platform::GetClientRect(window, client);
    platform::GetWindowRect(window, frame);
    EXPECT_EQ(client.Width(), 450);
    EXPECT_EQ(client.Height(), 70);
    EXPECT_EQ(frame.right, 800);
    EXPECT_EQ(frame.bottom, 800);
    EXPECT_TRUE(platform::IsTopMost(window));
    EXPECT_EQ(platform::GetWindowText(window), std::wstring(Resident::kTrayPopupCaption));
    EXPECT_EQ(popup.GetText().GetText(), L"新しいバージョンを公開しました。");
    EXPECT_EQ(popup.GetText().GetRect(), (platform::Rect{25, 10, 425, 40}));
    EXPECT_EQ(popup.GetText().GetFontHeight(), 13);
    EXPECT_EQ(popup.GetLinkButton().GetRect(), (platform::Rect{50, 50, 400, 65}));

    Canvas canvas(450, 70);
    platform::DrawnTextRecord record;
    popup.DrawParts(canvas.Dc());
    EXPECT_EQ(record.Take(), (std::vector<platform::DrawnText>{
                                 {L"新しいバージョンを公開しました。", platform::Rect{30, 10, 420, 40},
                                  platform::DT_CENTER | platform::DT_WORDBREAK, L"ＭＳ Ｐゴシック", 13, 900, false,
                                  platform::Rgb(0, 0, 0)}}));
    EXPECT_EQ(canvas.At(0, 0), kWhite);
    EXPECT_TRUE(canvas.ShowsPicture(50, 50, Resident::kUpdateLinkBitmapId));
    Canvas::Ink ink = canvas.InkOf(platform::Rgb(0, 0, 0), platform::Rect{25, 10, 425, 40});
    ASSERT_FALSE(ink.rows.empty());
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 225.0, 6.0);
    // Hover and pressed keep the normal picture.
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 225, 57, platform::MK_LBUTTON);
    Canvas pressed(450, 70);
    popup.DrawParts(pressed.Dc());
    EXPECT_TRUE(pressed.ShowsPicture(50, 50, Resident::kUpdateLinkBitmapId));
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 10, 5, 0);
  });
  EXPECT_EQ(result, 0);
}

TEST_F(TrayPopups, UpdatePopupEndsWithOneOnAPlainClickOnTheLinkOnly) {
  {
    CUpdateWnd popup(GetTrayResources());
    EXPECT_EQ(RunPopup(popup, owner, Answer::Link), 1);
  }
  CUpdateWnd popup(GetTrayResources());
  std::intptr_t result = RunPopup(popup, owner, Answer::CloseBox, [&](platform::UiWindow window) {
    platform::SimulateMouse(window, platform::WM_LBUTTONDOWN, 225, 57, platform::MK_LBUTTON | platform::MK_SHIFT);
    platform::SimulateMouse(window, platform::WM_LBUTTONDOWN, 20, 57, platform::MK_LBUTTON);  // beside the bar
    platform::SimulateMouse(window, platform::WM_LBUTTONUP, 20, 57, 0);
    platform::ProcessPendingMessages();
    EXPECT_TRUE(platform::IsWindowVisible(window));
    EXPECT_EQ(popup.GetResult(), 0);
  });
  EXPECT_EQ(result, 0);
}

TEST_F(TrayPopups, PopupWithoutItsTemplateCannotBeMade) {
  platform::ResourceModule empty;
  CNotificationWnd guidance(&empty);
  CUpdateWnd update(&empty);
  EXPECT_EQ(RunPopup(guidance, owner, Answer::Close), -1);
  EXPECT_EQ(RunPopup(update, owner, Answer::Close), -1);
  EXPECT_EQ(owner.PopupsSeen(), 0);
  EXPECT_TRUE(platform::IsWindowEnabled(owner.Handle()));
}

}  // namespace
