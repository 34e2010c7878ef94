#pragma once
// A text over an optional bitmap, drawn with a font of fixed pixel height or, for a
// height of 0 or less, the largest font (in steps of five) that fits the rectangle.
#include <string>

#include "widgets/DrawBmp.h"
#include "widgets/FontSelector.h"

namespace Velunor::Quillon::Ui {

class CDrawText : public CDrawBmp {
 public:
  // Weight that stands for weight 900 with underline (fixed-height fonts only).
  static constexpr int kBoldUnderlinedWeight = CFontSelector::kBoldUnderlinedWeight;

  CDrawText() = default;
  ~CDrawText() override = default;

  // The rectangle and bitmap, then the text (line breaks allowed), its colour, face,
  // pixel height (0 or less: fitted) and weight.
  void SetText(const std::wstring& text, platform::ColorRef color, const std::wstring& face, int height,
               int weight, platform::Rect rect, int bitmapId);

  // multiLine exactly 1: word-wrapped from the top; anything else: one line, centred
  // vertically.
  void DrawLeft(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc, int multiLine);
  void DrawCenter(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc, int multiLine);
  void DrawRight(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc, int multiLine);
  // The bitmap, then the text with the format (DT_ flags) in the rectangle narrowed by
  // five pixels on the left and on the right, on a transparent background.
  void DrawString(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc,
                  unsigned int format);

  const std::wstring& GetText() const { return m_text; }
  platform::ColorRef GetTextColor() const { return m_textColor; }
  int GetFontHeight() const { return m_fontHeight; }
  int GetFontWeight() const { return m_fontWeight; }

 private:
  std::wstring m_text;
  platform::ColorRef m_textColor = 0;
  int m_fontHeight = 0;
  std::wstring m_fontFace = L"ＭＳ Ｐゴシック";
  int m_fontWeight = 400;
};

}  // namespace Velunor::Quillon::Ui
