#pragma once
// A picture button: normal, hover and pressed pictures and the mouse state that picks
// one. The button only tracks the mouse and redraws itself; what a click does is up to
// the window that owns it.
#include "widgets/DrawBmp.h"

namespace Velunor::Quillon::Ui {

class CDrawButton : public CDrawBmp {
 public:
  enum MouseState { kNormal = 0, kHover = 1, kPressed = 2 };

  CDrawButton() = default;
  ~CDrawButton() override = default;

  // Draws the picture of the state: hover shows the hover picture when there is one;
  // pressed shows the pressed picture, else the hover picture, when there is one;
  // everything else shows the normal picture.
  void Draw(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc) override;
  bool Invalidate(platform::UiWindow window) override;
  // Rectangle and normal picture, then the hover and pressed pictures (0: none).
  virtual void SetButton(platform::Rect rect, int normalBitmapId, int hoverBitmapId, int pressedBitmapId);

  // One mouse message (client coordinates, key flags of wParam). Entering takes the
  // mouse capture for the window and shows the hand cursor; leaving restores the arrow
  // and releases the capture. Every change of state repaints the rectangle at once.
  void OnMouse(platform::UiWindow window, int x, int y, unsigned int keyFlags);

  int GetMouseState() const { return m_mouseState; }

 private:
  void Redraw(platform::UiWindow window) const;

  int m_hoverBitmapId = 0;
  int m_pressedBitmapId = 0;
  int m_mouseState = kNormal;
};

}  // namespace Velunor::Quillon::Ui
