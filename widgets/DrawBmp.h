#pragma once
// A bitmap resource drawn at a rectangle of a window's client area. The item owns no
// window and no drawing object: it draws into whatever context it is handed and loads
// its bitmap afresh for every draw.
#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/UiWindow.h"

namespace Velunor::Quillon::Ui {

class CDrawBmp {
 public:
  CDrawBmp() = default;
  virtual ~CDrawBmp() = default;

  // Sets the rectangle (client coordinates) and the bitmap id (0: none).
  virtual CDrawBmp& SetBitmapRect(int left, int top, int right, int bottom, int bitmapId);
  // Copies the bitmap to the top-left corner of the rectangle, unstretched and cut to
  // the rectangle's size; id 0 (or a bitmap the module lacks) draws nothing.
  virtual void DrawBitmap(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc,
                          int bitmapId);
  virtual void Draw(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc);
  // Invalidates the rectangle with erasing; the result of InvalidateRect.
  virtual bool Invalidate(platform::UiWindow window);

  // 1 when the point lies in the rectangle (left and top inside, right and bottom
  // outside), else 0.
  int HitTest(int x, int y) const;

  const platform::Rect& GetRect() const { return m_rect; }
  int GetBitmapId() const { return m_bitmapId; }

 protected:
  platform::Rect m_rect;
  int m_bitmapId = 0;
};

}  // namespace Velunor::Quillon::Ui
