#include "viewer/UsageGraph.h"

#include <cstdint>

#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "platform/ui/drawing/GdiText.h"
#include "widgets/FontSelector.h"

namespace Velunor::Quillon::Ui {

namespace {

constexpr int kRows = 5;
constexpr int kColumns = CMonthUsage::kDaySlots;
constexpr int kLabelHeight = 10;
constexpr int kLabelWeight = 400;
constexpr wchar_t kLabelFace[] = L"ＭＳ Ｐゴシック";

// Even, so that the bar sits centred in its column.
int GetBarWidth(int columnWidth) {
  int width = columnWidth * 80 / 100;
  if (width % 2 != 0) width -= 1;
  return width;
}

bool GetGraphClientRect(platform::UiWindow mainWindow, platform::Rect& client) {
  platform::UiWindow control = platform::GetDlgItem(mainWindow, CUsageGraph::kGraphControlId);
  return control && platform::GetClientRect(control, client);
}

}  // namespace

const CMonthUsage& CUsageGraph::Month() const {
  static const CMonthUsage empty;
  return m_month != nullptr ? *m_month : empty;
}

platform::Point CUsageGraph::GetOrigin(const platform::Rect& client) {
  return platform::Point{client.left + 30, client.bottom - 25};
}

int CUsageGraph::GetRowHeight(const platform::Rect& client) { return (client.bottom - client.top - 30) / kRows; }

int CUsageGraph::GetColumnWidth(const platform::Rect& client) {
  return (client.right - client.left - 50) / kColumns;
}

void CUsageGraph::DrawCenteredText(platform::DcHandle dc, const std::wstring& text, platform::Rect rect) {
  platform::DrawTextEx(dc, text, rect, platform::DT_SINGLELINE | platform::DT_VCENTER | platform::DT_CENTER);
}

void CUsageGraph::Draw(platform::UiWindow mainWindow, platform::DcHandle paintDc) {
  platform::UiWindow control = platform::GetDlgItem(mainWindow, kGraphControlId);
  platform::Rect windowRect;
  platform::Rect client;
  if (!control || !platform::GetWindowRect(control, windowRect) || !platform::GetClientRect(control, client)) return;
  platform::Point corner{windowRect.left, windowRect.top};
  platform::ScreenToClient(mainWindow, corner);

  platform::DcHandle memory = platform::CreateCompatibleDC(paintDc);
  if (memory == nullptr) return;
  platform::GdiObjectHandle bitmap = platform::CreateCompatibleBitmap(paintDc, client.Width(), client.Height());
  if (bitmap == nullptr) {
    // A control without area has nothing to show.
    platform::DeleteDC(memory);
    return;
  }
  platform::GdiObjectHandle previous = platform::SelectObject(memory, bitmap);
  DrawBackground(mainWindow, memory);
  platform::BitBlt(paintDc, corner.x, corner.y, client.Width(), client.Height(), memory, 0, 0, platform::SRCCOPY);
  platform::SelectObject(memory, previous);
  platform::DeleteObject(bitmap);
  platform::DeleteDC(memory);
}

void CUsageGraph::DrawBackground(platform::UiWindow mainWindow, platform::DcHandle dc) {
  platform::Rect client;
  if (!GetGraphClientRect(mainWindow, client)) return;
  platform::GdiObjectHandle white = platform::CreateSolidBrush(kBackgroundColor);
  platform::FillRect(dc, client, white);
  platform::DeleteObject(white);
  DrawColumns(mainWindow, dc);
  DrawAxes(mainWindow, dc);
  DrawBars(mainWindow, dc);
}

void CUsageGraph::DrawColumns(platform::UiWindow mainWindow, platform::DcHandle dc) {
  platform::Rect client;
  if (!GetGraphClientRect(mainWindow, client)) return;
  const CMonthUsage& month = Month();
  const platform::Point origin = GetOrigin(client);
  const int plotHeight = GetRowHeight(client) * kRows;
  const int columnWidth = GetColumnWidth(client);
  platform::GdiObjectHandle inPeriodBrush = platform::CreateSolidBrush(kInPeriodColor);
  platform::GdiObjectHandle outsideBrush = platform::CreateSolidBrush(kOutsideColor);
  for (int day = 1; day <= kColumns; ++day) {
    int inPeriod = 0;
    std::uint32_t permille = 0;
    int clipped = 0;
    month.GetBarPermille(day, inPeriod, permille, clipped);
    platform::Rect column{origin.x + (day - 1) * columnWidth, origin.y - plotHeight, origin.x + day * columnWidth,
                          origin.y};
    platform::FillRect(dc, column, inPeriod == 1 ? inPeriodBrush : outsideBrush);
  }
  platform::DeleteObject(inPeriodBrush);
  platform::DeleteObject(outsideBrush);
}

void CUsageGraph::DrawAxes(platform::UiWindow mainWindow, platform::DcHandle dc) {
  platform::Rect client;
  if (!GetGraphClientRect(mainWindow, client)) return;
  const CMonthUsage& month = Month();
  const platform::Point origin = GetOrigin(client);
  const int rowHeight = GetRowHeight(client);
  const int columnWidth = GetColumnWidth(client);
  const int right = origin.x + kColumns * columnWidth;

  platform::GdiObjectHandle pen = platform::CreatePen(platform::PS_SOLID, 0, kLineColor);
  platform::GdiObjectHandle previousPen = platform::SelectObject(dc, pen);
  CFontSelector font(dc, kLabelFace, kLabelHeight, kLabelWeight);
  platform::SetTextColor(dc, kLabelColor);
  platform::SetBkMode(dc, platform::TRANSPARENT);

  const unsigned int step = static_cast<unsigned int>(month.GetAxisMax()) / kRows;
  for (int row = 0; row <= kRows; ++row) {
    const int y = origin.y - rowHeight * row;
    DrawCenteredText(dc, std::to_wstring(step * static_cast<unsigned int>(row)), platform::Rect{0, y - 10, 25, y + 10});
    platform::MoveToEx(dc, origin.x - 5, y);
    platform::LineTo(dc, right, y);
    if (row == kRows) DrawCenteredText(dc, L"[MB]", platform::Rect{0, y, 25, y + 20});
  }

  // The outermost ticks rise to the top grid line and close the frame.
  for (int tick = 0; tick <= kColumns; ++tick) {
    const int x = origin.x + columnWidth * tick;
    if (tick < kColumns) {
      DrawCenteredText(dc, std::to_wstring(tick + 1), platform::Rect{x, origin.y + 5, x + columnWidth, origin.y + 25});
    }
    const bool side = tick == 0 || tick == kColumns;
    platform::MoveToEx(dc, x, origin.y + 5);
    platform::LineTo(dc, x, side ? origin.y + 5 - (rowHeight * kRows + 5) : origin.y);
  }
  DrawCenteredText(dc, L"[日]", platform::Rect{right, origin.y + 5, right + 20, origin.y + 25});

  platform::SelectObject(dc, previousPen);
  platform::DeleteObject(pen);
}

void CUsageGraph::DrawBars(platform::UiWindow mainWindow, platform::DcHandle dc) {
  platform::Rect client;
  if (!GetGraphClientRect(mainWindow, client)) return;
  const CMonthUsage& month = Month();
  const platform::Point origin = GetOrigin(client);
  const int plotHeight = GetRowHeight(client) * kRows;
  const int columnWidth = GetColumnWidth(client);
  const int barWidth = GetBarWidth(columnWidth);
  platform::GdiObjectHandle barBrush = platform::CreateSolidBrush(kBarColor);
  platform::GdiObjectHandle clippedBrush = platform::CreateSolidBrush(kClippedBarColor);
  for (int day = 1; day <= kColumns; ++day) {
    int inPeriod = 0;
    std::uint32_t permille = 0;
    int clipped = 0;
    month.GetBarPermille(day, inPeriod, permille, clipped);
    if (inPeriod != 1) continue;
    // A graph too low for its margins has no plot height and shows no bar heights.
    const std::uint64_t barHeight =
        plotHeight > 0 ? static_cast<std::uint64_t>(plotHeight) * permille / 1000 : 0;
    platform::Rect bar;
    bar.bottom = origin.y;
    bar.top = origin.y - static_cast<int>(barHeight);
    bar.left = origin.x + (day - 1) * columnWidth + (columnWidth - barWidth) / 2;
    bar.right = bar.left + barWidth;
    if (bar.top == bar.bottom && permille > 0) bar.top = bar.bottom - 1;
    if (bar.top == bar.bottom) continue;
    platform::FillRect(dc, bar, clipped == 1 ? clippedBrush : barBrush);
  }
  platform::DeleteObject(barBrush);
  platform::DeleteObject(clippedBrush);
}

}  // namespace Velunor::Quillon::Ui
