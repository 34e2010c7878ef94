#pragma once
// Selects the largest font, trying heights in steps of five down to 11, whose one-line
// measure of the text fits the rectangle; the previous font comes back and the font is
// deleted at the end. When nothing fits, the last try (11 to 15 pixels) stays; when
// the rectangle is too low to start above 10, no font is made and the context keeps
// its own.
#include <string>

#include "platform/ui/drawing/GdiHandles.h"

namespace Velunor::Quillon::Ui {

class CFitFontSelector {
 public:
  // The weight is used as it is (1000 gives no underline here).
  CFitFontSelector(platform::DcHandle dc, const std::wstring& face, const std::wstring& text, int left, int top,
                   int right, int bottom, int weight);
  ~CFitFontSelector();
  CFitFontSelector(const CFitFontSelector&) = delete;
  CFitFontSelector& operator=(const CFitFontSelector&) = delete;

  // Null when no font was made.
  platform::GdiObjectHandle GetFont() const { return m_font; }
  // Height of the selected font; 0 when none was made.
  int GetFontHeight() const { return m_fontHeight; }

 private:
  void Release();

  platform::DcHandle m_dc;
  platform::GdiObjectHandle m_font = nullptr;
  platform::GdiObjectHandle m_previousFont = nullptr;
  int m_fontHeight = 0;
};

}  // namespace Velunor::Quillon::Ui
