#pragma once
// Creates a font of a given pixel height and selects it into a context for the
// object's lifetime; the previous font comes back and the font is deleted at the end.
#include <string>

#include "platform/ui/drawing/GdiObjects.h"

namespace Velunor::Quillon::Ui {

// The font description both selectors start from: every field zero but the height,
// the weight, the face (cut to 31 characters) and FIXED_PITCH | FF_DONTCARE.
platform::LogFont MakeWidgetFont(const std::wstring& face, int height, int weight);

class CFontSelector {
 public:
  // The weight that stands for weight 900 with underline.
  static constexpr int kBoldUnderlinedWeight = 1000;

  // kBoldUnderlinedWeight means weight 900 with underline; any other weight is used as
  // it is.
  CFontSelector(platform::DcHandle dc, const std::wstring& face, int height, int weight);
  ~CFontSelector();
  CFontSelector(const CFontSelector&) = delete;
  CFontSelector& operator=(const CFontSelector&) = delete;

  platform::GdiObjectHandle GetFont() const { return m_font; }

 private:
  platform::DcHandle m_dc;
  platform::GdiObjectHandle m_font = nullptr;
  platform::GdiObjectHandle m_previousFont = nullptr;
};

}  // namespace Velunor::Quillon::Ui
