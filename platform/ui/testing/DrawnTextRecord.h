#pragma once
// For tests: what DrawTextEx painted, to check a window's texts as texts rather than as
// pixels. While a DrawnTextRecord lives, every DrawTextEx call that paints (DT_CALCRECT
// only measures) is added to it, on any context; without one, a call pays one atomic
// load. One record at a time.
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/drawing/DrawnTextObserver.h"
#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/windows/UiWindow.h"

namespace platform {

struct DrawnText {
  std::wstring text;          // as passed, "&" marks included
  Rect rect;                  // as passed, in the coordinates of the context drawn into
  unsigned int format = 0;    // DT_ flags
  std::wstring face;          // the selected font's face as asked for, before substitution
  int height = 0;             // its LogFont height
  int weight = 0;
  bool underline = false;
  ColorRef color = 0;         // the text colour
  friend bool operator==(const DrawnText& a, const DrawnText& b) {
    return a.text == b.text && a.rect == b.rect && a.format == b.format && a.face == b.face &&
           a.height == b.height && a.weight == b.weight && a.underline == b.underline && a.color == b.color;
  }
};

class DrawnTextRecord : private ui_detail::DrawnTextObserver {
 public:
  DrawnTextRecord();
  ~DrawnTextRecord() override;
  DrawnTextRecord(const DrawnTextRecord&) = delete;
  DrawnTextRecord& operator=(const DrawnTextRecord&) = delete;
  // The texts drawn since the record began or since the last Take, in drawing order.
  std::vector<DrawnText> Take();

 private:
  void OnDrawnText(const std::wstring& text, const Rect& rect, unsigned int format, const LogFont& font,
                   ColorRef color) override;

  std::mutex lock_;
  std::vector<DrawnText> texts_;
};

}  // namespace platform
