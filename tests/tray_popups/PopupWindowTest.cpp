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
#include "platform/ui/testing/MemoryCanvas.h"
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

// Whether the canvas shows exactly the module's picture at (left, top).
bool ShowsPicture(const platform::MemoryCanvas& canvas, int left, int top, int bitmapId) {
  platform::GdiObjectHandle picture = platform::LoadBitmap(GetTrayResources(), bitmapId);
  bool shown = canvas.Shows(picture, left, top);
  platform::DeleteObject(picture);
  return shown;
}

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
    platform::MemoryCanvas canvas(480, 150);
    platform::DrawnTextRecord record;
    popup.DrawParts(canvas.dc());
    // The text item draws in its rectangle narrowed by 5 on either side, centred and
    // word-wrapped; the configured "\n" is a line break.
    EXPECT_EQ(record.Take(), (std::vector<platform::DrawnText>{
                                 {L"先月の通信量をご確認ください。\nグラフを表示します。", platform::Rect{20, 53, 460, 173},
                                  platform::DT_CENTER | platform::DT_WORDBREAK, L"ＭＳ Ｐゴシック", 18, 900, false, kGrey}}));
    EXPECT_EQ(canvas.At(0, 0), kWhite);
    EXPECT_EQ(canvas.At(479, 149), kWhite);
    EXPECT_TRUE(ShowsPicture(canvas, 224, 5, Resident::kGuidanceInfoBitmapId));
    EXPECT_TRUE(ShowsPicture(canvas, 5, 103, Resident::kShowButtonBitmapId));
    EXPECT_TRUE(ShowsPicture(canvas, 362, 103, Resident::kCloseButtonBitmapId));
    // Between the buttons only the text paints: two lines, centred on the popup.
    platform::MemoryCanvas::ColorRows ink = canvas.RowsOf(kGrey, platform::Rect{120, 53, 360, 103});
    EXPECT_EQ(Bands(ink.rows), 2);
    platform::MemoryCanvas::ColorRows all = canvas.RowsOf(kGrey, platform::Rect{15, 53, 465, 103});
    ASSERT_GT(all.right, all.left);
    EXPECT_NEAR((all.left + all.right) / 2.0, 240.0, 6.0);

    // Hover shows the brighter picture, pressing the darker one.
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 60, 124, 0);
    platform::MemoryCanvas hover(480, 150);
    popup.DrawParts(hover.dc());
    EXPECT_TRUE(ShowsPicture(hover, 5, 103, Resident::kShowButtonHoverBitmapId));
    EXPECT_TRUE(ShowsPicture(hover, 362, 103, Resident::kCloseButtonBitmapId));
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 418, 124, 0);
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 418, 124, platform::MK_LBUTTON);
    platform::MemoryCanvas pressed(480, 150);
    popup.DrawParts(pressed.dc());
    EXPECT_TRUE(ShowsPicture(pressed, 5, 103, Resident::kShowButtonBitmapId));
    EXPECT_TRUE(ShowsPicture(pressed, 362, 103, Resident::kCloseButtonPressedBitmapId));
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

    platform::MemoryCanvas canvas(450, 70);
    platform::DrawnTextRecord record;
    popup.DrawParts(canvas.dc());
    EXPECT_EQ(record.Take(), (std::vector<platform::DrawnText>{
                                 {L"新しいバージョンを公開しました。", platform::Rect{30, 10, 420, 40},
                                  platform::DT_CENTER | platform::DT_WORDBREAK, L"ＭＳ Ｐゴシック", 13, 900, false,
                                  platform::Rgb(0, 0, 0)}}));
    EXPECT_EQ(canvas.At(0, 0), kWhite);
    EXPECT_TRUE(ShowsPicture(canvas, 50, 50, Resident::kUpdateLinkBitmapId));
    platform::MemoryCanvas::ColorRows ink = canvas.RowsOf(platform::Rgb(0, 0, 0), platform::Rect{25, 10, 425, 40});
    ASSERT_FALSE(ink.rows.empty());
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 225.0, 6.0);
    // Hover and pressed keep the normal picture.
    platform::SimulateMouse(window, platform::WM_MOUSEMOVE, 225, 57, platform::MK_LBUTTON);
    platform::MemoryCanvas pressed(450, 70);
    popup.DrawParts(pressed.dc());
    EXPECT_TRUE(ShowsPicture(pressed, 50, 50, Resident::kUpdateLinkBitmapId));
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
