#pragma once
// Inside the UI layer only: who is told of the texts DrawTextEx paints. Not for program
// code.
#include <string>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/Geometry.h"

namespace platform::ui_detail {

// Told of every text DrawTextEx paints (what it only measures is left out), on any
// context and thread, while it is set: tests record what a window drew through it.
class DrawnTextObserver {
 public:
  virtual ~DrawnTextObserver() = default;
  virtual void OnDrawnText(const std::wstring& text, const Rect& rect, unsigned int format, const LogFont& font,
                           ColorRef color) = 0;
};
void SetDrawnTextObserver(DrawnTextObserver* observer);
// Clears the observer if it is still this one.
void ClearDrawnTextObserver(DrawnTextObserver* observer);

}  // namespace platform::ui_detail
