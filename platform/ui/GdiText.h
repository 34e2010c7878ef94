#pragma once
// Text drawn into a device context with its selected font, text colour and background
// mode, and the font's measures.
#include <mutex>
#include <string>
#include <vector>

#include "platform/ui/GdiHandles.h"
#include "platform/ui/UiWindow.h"

namespace platform {

// DrawText formats.
inline constexpr unsigned int DT_TOP = 0x0000;
inline constexpr unsigned int DT_LEFT = 0x0000;
inline constexpr unsigned int DT_CENTER = 0x0001;
inline constexpr unsigned int DT_RIGHT = 0x0002;
inline constexpr unsigned int DT_VCENTER = 0x0004;
inline constexpr unsigned int DT_BOTTOM = 0x0008;
inline constexpr unsigned int DT_WORDBREAK = 0x0010;
inline constexpr unsigned int DT_SINGLELINE = 0x0020;
inline constexpr unsigned int DT_NOCLIP = 0x0100;
inline constexpr unsigned int DT_CALCRECT = 0x0400;
inline constexpr unsigned int DT_NOPREFIX = 0x0800;

struct TextMetrics {
  int height = 0;  // ascent + descent
  int ascent = 0;
  int descent = 0;
  int averageCharWidth = 0;
};

// Draws the text in the rectangle with the selected font, text colour and background
// mode; with DT_CALCRECT it only measures, and widens or narrows right and bottom to
// the text. Returns the text's height (0 on failure). "&" marks are taken out unless
// DT_NOPREFIX ("&&" leaves one "&").
int DrawTextEx(DcHandle dc, const std::wstring& text, Rect& rect, unsigned int format);
bool GetTextMetrics(DcHandle dc, TextMetrics& metrics);
bool GetTextExtentPoint(DcHandle dc, const std::wstring& text, int& width, int& height);

// What DrawTextEx painted, for tests that check a window's texts as texts rather than as
// pixels. While a DrawnTextRecord lives, every DrawTextEx call that paints (DT_CALCRECT
// only measures) is added to it, on any context; without one, a call pays one atomic
// load. One record at a time.
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

class DrawnTextRecord {
 public:
  DrawnTextRecord();
  ~DrawnTextRecord();
  DrawnTextRecord(const DrawnTextRecord&) = delete;
  DrawnTextRecord& operator=(const DrawnTextRecord&) = delete;
  // The texts drawn since the record began or since the last Take, in drawing order.
  std::vector<DrawnText> Take();
  void Add(DrawnText text);

 private:
  std::mutex lock_;
  std::vector<DrawnText> texts_;
};

}  // namespace platform
