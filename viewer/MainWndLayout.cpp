// The main window's fixed layout on its 500 x 520 client area and its painting: always
// the whole client area into a memory bitmap, then one copy to the screen.
#include <cstdint>
#include <cwchar>
#include <limits>

#include "common/LogMessage.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "prices/PriceNumbers.h"
#include "resources/viewer/ViewerResources.h"
#include "viewer/MainWnd.h"
#include "viewer/UsageGraph.h"

namespace Velunor::Quillon::Ui {

namespace {

namespace Log = Velunor::Quillon::Common::Log;
using platform::ColorRef;
using platform::LParam;
using platform::LResult;
using platform::Rect;
using platform::Rgb;
using platform::WParam;

const wchar_t kFace[] = L"ＭＳ Ｐゴシック";
constexpr ColorRef kBlack = Rgb(0, 0, 0);
constexpr ColorRef kWhite = Rgb(255, 255, 255);
constexpr ColorRef kBlue = Rgb(0, 0, 255);
constexpr ColorRef kCaptionFill = Rgb(198, 217, 241);
constexpr ColorRef kValueFill = Rgb(219, 238, 244);
constexpr int kBold = 900;
constexpr int kNormal = 400;

constexpr int kPanelLeft = 15;
constexpr int kPanelWidth = 470;

template <typename... Args>
std::wstring Format(const wchar_t* format, Args... args) {
  wchar_t buffer[256];
  int written = std::swprintf(buffer, sizeof(buffer) / sizeof(buffer[0]), format, args...);
  return written < 0 ? std::wstring() : std::wstring(buffer, static_cast<std::size_t>(written));
}

Rect Below(const Rect& above, int height) { return Rect{above.left, above.bottom, above.right, above.bottom + height}; }

}  // namespace

std::wstring CMainWnd::FormatGrouped(int value) { return FormatThousands(value); }

std::wstring CMainWnd::FormatUsedVolume(std::uint64_t bytes) {
  const std::uint64_t shown = RoundUpToMiB(bytes, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()));
  return FormatGrouped(static_cast<int>(shown)) + L"MB";
}

void CMainWnd::SetupView(const platform::DateTime& firstDay) {
  m_summary.FillMonthUsage(m_month, firstDay);
  m_titleItem.SetText(Format(L"%d月の利用量グラフ", m_month.GetMonth().GetMonth()), kWhite, kFace, 14, kBold,
                      Rect{175, 35, 325, 65}, kTitleBitmapId);

  platform::UiWindow previous = platform::GetDlgItem(Handle(), kPrevMonthButtonId);
  platform::SetWindowText(previous, Format(L"<< %d月の通信料", m_month.GetPrevMonth().GetMonth()));
  platform::EnableWindow(previous, m_month.HasPrevMonth() == 1);
  platform::UiWindow next = platform::GetDlgItem(Handle(), kNextMonthButtonId);
  platform::SetWindowText(next, Format(L"%d月の通信料 >>", m_month.GetNextMonth().GetMonth()));
  platform::EnableWindow(next, m_month.HasNextMonth() == 1);
  platform::UiWindow update = platform::GetDlgItem(Handle(), kUpdateButtonId);
  platform::SetWindowText(update, L"更新");
  platform::EnableWindow(update, true);

  // A complete month hides description 1 (zero height) and moves description 2 up.
  bool complete = m_month.IsCompleteMonth() == 1;
  Rect description1{15, 397, 485, complete ? 397 : 412};
  m_description1Item.SetText(m_price.GetSelectedDescription(0), kBlack, kFace, 10, kNormal, description1, 0);
  m_description2Item.SetText(m_price.GetSelectedDescription(1), kBlack, kFace, 10, kNormal, Below(description1, 15), 0);
  m_headerItem.SetText(m_price.GetSelectedLineName() + L"ノルディカ", kBlack, kFace, 20, kBold, Rect{5, 5, 495, 25}, 0);
  m_linkItem.SetText(L"ミルカナ 光のご案内、お申し込み", kBlue, kFace, 18, CDrawText::kBoldUnderlinedWeight,
                     Rect{25, 460, 475, 505}, 0);
}

void CMainWnd::PlaceWindow() {
  Rect window;
  Rect client;
  platform::GetWindowRect(Handle(), window);
  platform::GetClientRect(Handle(), client);
  int frameWidth = window.Width() - client.Width();
  int frameHeight = window.Height() - client.Height();
  Rect work = platform::GetWorkArea();
  int x = (work.right - work.left) / 2 - (frameWidth + kClientWidth) / 2;
  int y = (work.bottom - work.top) / 2 - (frameHeight + kClientHeight) / 2;
  platform::MoveWindow(Handle(), x, y, frameWidth + kClientWidth, frameHeight + kClientHeight, false);
}

void CMainWnd::LayOutControls() {
  struct Placement {
    int id, x, y, width, height;
  };
  static const Placement placements[] = {
      {kGraphFrameId, 5, 65, 490, 180},
      {kPrevMonthButtonId, 5, 35, 100, 30},
      {kNextMonthButtonId, 395, 35, 100, 30},
      {kUpdateButtonId, 325, 35, 30, 30},
  };
  for (const Placement& placement : placements) {
    platform::MoveWindow(platform::GetDlgItem(Handle(), placement.id), placement.x, placement.y, placement.width,
                         placement.height, false);
  }

  Rect usedCaption{kPanelLeft, 257, kPanelLeft + kPanelWidth, 257 + 25};
  Rect usedValue = Below(usedCaption, 38);
  Rect period = Below(usedValue, 12);
  Rect usedBackground{usedValue.left, usedValue.top, period.right, period.bottom};
  Rect chargeCaption = Below(usedBackground, 25);
  Rect chargeValue = Below(chargeCaption, 38);
  m_panelRects = {usedCaption, usedValue, period, usedBackground, chargeCaption, chargeValue, chargeValue};

  m_downloadButton.SetButton(Rect{55, 427, 225, 457}, kDownloadBitmapId, kDownloadHoverBitmapId, 0);
  m_comparisonButton.SetButton(Rect{275, 427, 445, 457}, kComparisonBitmapId, kComparisonHoverBitmapId, 0);
  m_linkButton.SetButton(Rect{25, 460, 475, 505}, 0, 0, 0);
}

LResult CMainWnd::OnPaint(unsigned int, WParam, LParam, bool&) {
  platform::PaintStruct paint;
  platform::DcHandle dc = platform::BeginPaint(Handle(), paint);
  platform::SetMapMode(dc, platform::MM_TEXT);
  Rect client;
  platform::GetClientRect(Handle(), client);
  platform::DcHandle memory = platform::CreateCompatibleDC(dc);
  platform::GdiObjectHandle bitmap = platform::CreateCompatibleBitmap(dc, client.Width(), client.Height());
  platform::GdiObjectHandle oldBitmap = platform::SelectObject(memory, bitmap);
  DrawContents(memory);
  platform::BitBlt(dc, 0, 0, client.Width(), client.Height(), memory, 0, 0, platform::SRCCOPY);
  platform::SelectObject(memory, oldBitmap);
  platform::DeleteObject(bitmap);
  platform::DeleteDC(memory);
  platform::EndPaint(Handle(), paint);
  if (!m_painted) {
    m_painted = true;
    Log::WriteLog(L"Velunor::Quillon::Ui::CMainWnd::OnPaint", __LINE__, L"first paint", Log::kDebug);
  }
  return 1;
}

void CMainWnd::DrawContents(platform::DcHandle dc) {
  Rect client;
  platform::GetClientRect(Handle(), client);
  platform::FillRect(dc, client, platform::GetStockObject(platform::WHITE_BRUSH));
  m_titleItem.DrawCenter(m_resourceInstance, Handle(), dc, 0);
  CUsageGraph graph(&m_month);
  graph.Draw(Handle(), dc);
  DrawPanel(dc);
  DrawTextItems(dc);
  CDrawText notice;
  notice.SetText(L"Copyright (C) Hoxa Zembrolite", kBlack, kFace, 10, kNormal, Rect{305, 500, 495, 520}, 0);
  notice.DrawLeft(m_resourceInstance, Handle(), dc, 0);
}

void CMainWnd::DrawPanel(platform::DcHandle dc) {
  int first = 0;
  int last = 0;
  m_month.GetMeasuredRange(first, last);
  int month = m_month.GetMonth().GetMonth();

  platform::GdiObjectHandle pen = platform::CreatePen(platform::PS_SOLID, 1, kWhite);
  platform::GdiObjectHandle captionBrush = platform::CreateSolidBrush(kCaptionFill);
  platform::GdiObjectHandle valueBrush = platform::CreateSolidBrush(kValueFill);
  platform::GdiObjectHandle oldPen = platform::SelectObject(dc, pen);
  platform::GdiObjectHandle oldBrush = platform::SelectObject(dc, captionBrush);
  for (int number : {1, 5}) {
    const Rect& rect = GetPanelRect(number);
    platform::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  }
  platform::SelectObject(dc, valueBrush);
  for (int number : {4, 7}) {
    const Rect& rect = GetPanelRect(number);
    platform::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
  }
  platform::SelectObject(dc, oldBrush);
  platform::SelectObject(dc, oldPen);
  platform::DeleteObject(pen);
  platform::DeleteObject(captionBrush);
  platform::DeleteObject(valueBrush);

  struct PanelText {
    std::wstring text;
    Rect rect;
    int height;
    int weight;
  };
  const PanelText texts[] = {
      {L"当月ご利用された利用量", GetPanelRect(1), 12, kBold},
      {FormatUsedVolume(m_month.GetMonthTotal()), GetPanelRect(2), 15, kBold},
      {Format(L"%d月%d日～%d月%d日", month, first, month, last), GetPanelRect(3), 11, kBold},
      {m_price.GetSelectedLineName() + L"利用時の推定月額料金（当月１ヵ月分）※", GetPanelRect(5), 12, kBold},
      {m_price.GetEstimatedChargeText(m_month) + L"円", GetPanelRect(6), 15, kBold},
  };
  CDrawText item;
  for (const PanelText& text : texts) {
    item.SetText(text.text, kBlack, kFace, text.height, text.weight, text.rect, 0);
    item.DrawCenter(m_resourceInstance, Handle(), dc, 0);
  }
  item.SetText(L"(料金は税込)", kBlack, kFace, 10, kNormal, Rect{415, 242, 485, 257}, 0);
  item.DrawRight(m_resourceInstance, Handle(), dc, 0);

  m_downloadButton.Draw(m_resourceInstance, Handle(), dc);
  m_comparisonButton.Draw(m_resourceInstance, Handle(), dc);
}

void CMainWnd::DrawTextItems(platform::DcHandle dc) {
  for (CDrawText* item : {&m_description1Item, &m_description2Item, &m_headerItem, &m_linkItem}) {
    item->DrawLeft(m_resourceInstance, Handle(), dc, 0);
  }
}

}  // namespace Velunor::Quillon::Ui
