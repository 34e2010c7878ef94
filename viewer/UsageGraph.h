#pragma once
// The daily bar graph of one month, painted into the place that the main window's
// graph frame (control 1004) reserves. Built on the month model for one paint; every
// drawing object lives only inside a call.
#include <string>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/windows/UiWindow.h"
#include "viewer/MonthUsage.h"

namespace Velunor::Quillon::Ui {

class CUsageGraph {
 public:
  static constexpr int kGraphControlId = 1004;

  static constexpr platform::ColorRef kBackgroundColor = platform::Rgb(255, 255, 255);
  static constexpr platform::ColorRef kInPeriodColor = platform::Rgb(250, 250, 250);
  static constexpr platform::ColorRef kOutsideColor = platform::Rgb(223, 223, 223);
  static constexpr platform::ColorRef kLineColor = platform::Rgb(128, 128, 128);
  static constexpr platform::ColorRef kLabelColor = platform::Rgb(0, 0, 0);
  static constexpr platform::ColorRef kBarColor = platform::Rgb(247, 150, 70);
  static constexpr platform::ColorRef kClippedBarColor = platform::Rgb(255, 0, 0);

  // The month must outlive the graph.
  explicit CUsageGraph(const CMonthUsage* month) : m_month(month) {}
  ~CUsageGraph() {}

  // Paints the graph of the main window's control 1004 into the window's paint context
  // at the control's place, through a memory bitmap copied in one operation.
  void Draw(platform::UiWindow mainWindow, platform::DcHandle paintDc);

  // Each draws into dc in the control's client coordinates.
  void DrawBackground(platform::UiWindow mainWindow, platform::DcHandle dc);
  void DrawColumns(platform::UiWindow mainWindow, platform::DcHandle dc);
  void DrawAxes(platform::UiWindow mainWindow, platform::DcHandle dc);
  void DrawBars(platform::UiWindow mainWindow, platform::DcHandle dc);

  // Geometry on a client rectangle: the origin is the left end of the base line.
  static platform::Point GetOrigin(const platform::Rect& client);
  static int GetRowHeight(const platform::Rect& client);
  static int GetColumnWidth(const platform::Rect& client);

  // One line, centred both ways in the rectangle, with the context's font and colours.
  static void DrawCenteredText(platform::DcHandle dc, const std::wstring& text, platform::Rect rect);

 private:
  // The month drawn; an empty one when the graph was built without.
  const CMonthUsage& Month() const;

  const CMonthUsage* m_month;
};

}  // namespace Velunor::Quillon::Ui
