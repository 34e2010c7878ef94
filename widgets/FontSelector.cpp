#include "widgets/FontSelector.h"

namespace Velunor::Quillon::Ui {

platform::LogFont MakeWidgetFont(const std::wstring& face, int height, int weight) {
  platform::LogFont font;
  font.height = height;
  font.weight = weight;
  font.charSet = platform::ANSI_CHARSET;
  font.pitchAndFamily = platform::FIXED_PITCH | platform::FF_DONTCARE;
  font.faceName = face.substr(0, 31);
  return font;
}

CFontSelector::CFontSelector(platform::DcHandle dc, const std::wstring& face, int height, int weight) : m_dc(dc) {
  platform::LogFont description = MakeWidgetFont(face, height, weight);
  if (weight == kBoldUnderlinedWeight) {
    description.weight = 900;
    description.underline = true;
  }
  m_font = platform::CreateFontIndirect(description);
  if (m_font != nullptr) m_previousFont = platform::SelectObject(m_dc, m_font);
}

CFontSelector::~CFontSelector() {
  if (m_font == nullptr) return;
  if (m_previousFont != nullptr) platform::SelectObject(m_dc, m_previousFont);
  platform::DeleteObject(m_font);
}

}  // namespace Velunor::Quillon::Ui
