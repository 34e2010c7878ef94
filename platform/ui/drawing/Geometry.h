#pragma once
// Rectangles and points, in pixels: what drawing, windows and the desktop measure with.

namespace platform {

// Rectangles are (left, top, right, bottom) with right and bottom outside.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
  }
  friend bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }
};

struct Point {
  int x = 0;
  int y = 0;
};

// Left and top inside, right and bottom outside.
inline bool PtInRect(const Rect& rect, Point point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

}  // namespace platform
