#include "widgets/DrawText.h"

#include <optional>

#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiText.h"
#include "widgets/FitFontSelector.h"
#include "widgets/FontSelector.h"

namespace Velunor::Quillon::Ui {

namespace {

constexpr int kTextInset = 5;

unsigned int TextFormat(unsigned int alignment, int multiLine) {
  if (multiLine == 1) return alignment | platform::DT_WORDBREAK;
  return alignment | platform::DT_VCENTER | platform::DT_SINGLELINE;
}

}  // namespace

void CDrawText::SetText(const std::wstring& text, platform::ColorRef color, const std::wstring& face, int height,
                        int weight, platform::Rect rect, int bitmapId) {
  SetBitmapRect(rect.left, rect.top, rect.right, rect.bottom, bitmapId);
  m_text = text;
  m_textColor = color;
  m_fontFace = face;
  m_fontHeight = height;
  m_fontWeight = weight;
}

void CDrawText::DrawLeft(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc,
                         int multiLine) {
  DrawString(instance, window, dc, TextFormat(platform::DT_LEFT, multiLine));
}

void CDrawText::DrawCenter(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc,
                           int multiLine) {
  DrawString(instance, window, dc, TextFormat(platform::DT_CENTER, multiLine));
}

void CDrawText::DrawRight(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc,
                          int multiLine) {
  DrawString(instance, window, dc, TextFormat(platform::DT_RIGHT, multiLine));
}

void CDrawText::DrawString(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc,
                           unsigned int format) {
  CDrawBmp::Draw(instance, window, dc);
  platform::Rect textRect{m_rect.left + kTextInset, m_rect.top, m_rect.right - kTextInset, m_rect.bottom};
  platform::SetBkMode(dc, platform::TRANSPARENT);
  platform::SetTextColor(dc, m_textColor);
  std::optional<CFontSelector> fixedFont;
  std::optional<CFitFontSelector> fittedFont;
  if (m_fontHeight > 0) {
    fixedFont.emplace(dc, m_fontFace, m_fontHeight, m_fontWeight);
  } else {
    fittedFont.emplace(dc, m_fontFace, m_text, textRect.left, textRect.top, textRect.right, textRect.bottom,
                       m_fontWeight);
  }
  platform::DrawTextEx(dc, m_text, textRect, format);
}

}  // namespace Velunor::Quillon::Ui
