#include "platform/ui/testing/DrawnTextRecord.h"

namespace platform {

DrawnTextRecord::DrawnTextRecord() { ui_detail::SetDrawnTextObserver(this); }

DrawnTextRecord::~DrawnTextRecord() { ui_detail::ClearDrawnTextObserver(this); }

std::vector<DrawnText> DrawnTextRecord::Take() {
  std::lock_guard<std::mutex> guard(lock_);
  std::vector<DrawnText> texts;
  texts.swap(texts_);
  return texts;
}

void DrawnTextRecord::OnDrawnText(const std::wstring& text, const Rect& rect, unsigned int format, const LogFont& font,
                                  ColorRef color) {
  std::lock_guard<std::mutex> guard(lock_);
  texts_.push_back(DrawnText{text, rect, format, font.faceName, font.height, font.weight, font.underline, color});
}

}  // namespace platform
