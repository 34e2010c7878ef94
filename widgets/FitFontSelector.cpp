#include "widgets/FitFontSelector.h"

#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiText.h"
#include "widgets/FontSelector.h"

namespace Velunor::Quillon::Ui {

namespace {

constexpr int kSmallestTry = 10;  // heights above this are tried
constexpr int kStep = 5;

}  // namespace

CFitFontSelector::CFitFontSelector(platform::DcHandle dc, const std::wstring& face, const std::wstring& text,
                                   int left, int top, int right, int bottom, int weight)
    : m_dc(dc) {
  const int width = right - left;
  const int height = bottom - top;
  const int dotsPerInch = platform::GetDeviceCaps(dc, platform::LOGPIXELSY);
  if (dotsPerInch <= 0) return;
  // Twice the rectangle's height in points: a generous start for a single line.
  int tryHeight = (height * 72 / dotsPerInch) * 2;
  while (tryHeight > kSmallestTry) {
    Release();
    m_font = platform::CreateFontIndirect(MakeWidgetFont(face, tryHeight, weight));
    if (m_font == nullptr) return;
    m_previousFont = platform::SelectObject(m_dc, m_font);
    m_fontHeight = tryHeight;
    platform::Rect measured{0, 0, 0, 0};
    platform::DrawTextEx(m_dc, text, measured, platform::DT_CALCRECT);
    if (measured.Height() <= height && measured.Width() <= width) break;
    tryHeight -= kStep;
  }
}

CFitFontSelector::~CFitFontSelector() { Release(); }

void CFitFontSelector::Release() {
  if (m_font == nullptr) return;
  if (m_previousFont != nullptr) platform::SelectObject(m_dc, m_previousFont);
  platform::DeleteObject(m_font);
  m_font = nullptr;
  m_previousFont = nullptr;
  m_fontHeight = 0;
}

}  // namespace Velunor::Quillon::Ui
