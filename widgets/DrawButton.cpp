#include "widgets/DrawButton.h"

namespace Velunor::Quillon::Ui {

namespace {

void ShowCursor(int cursorId) {
  platform::CursorHandle cursor = platform::LoadCursor(cursorId);
  if (cursor != 0) platform::SetCursor(cursor);
}

void TakeCapture(platform::UiWindow window) {
  if (platform::GetCapture() != window) platform::SetCapture(window);
}

void GiveUpCapture(platform::UiWindow window) {
  if (platform::GetCapture() == window) platform::ReleaseCapture();
}

}  // namespace

void CDrawButton::Draw(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc) {
  int bitmapId = m_bitmapId;
  if (m_mouseState == kHover && m_hoverBitmapId != 0) {
    bitmapId = m_hoverBitmapId;
  } else if (m_mouseState == kPressed) {
    if (m_pressedBitmapId != 0) {
      bitmapId = m_pressedBitmapId;
    } else if (m_hoverBitmapId != 0) {
      bitmapId = m_hoverBitmapId;
    }
  }
  DrawBitmap(instance, window, dc, bitmapId);
}

bool CDrawButton::Invalidate(platform::UiWindow window) { return platform::InvalidateRect(window, &m_rect, true); }

void CDrawButton::SetButton(platform::Rect rect, int normalBitmapId, int hoverBitmapId, int pressedBitmapId) {
  SetBitmapRect(rect.left, rect.top, rect.right, rect.bottom, normalBitmapId);
  m_hoverBitmapId = hoverBitmapId;
  m_pressedBitmapId = pressedBitmapId;
}

void CDrawButton::Redraw(platform::UiWindow window) const {
  platform::RedrawWindow(window, &m_rect, platform::RDW_INVALIDATE | platform::RDW_UPDATENOW);
}

void CDrawButton::OnMouse(platform::UiWindow window, int x, int y, unsigned int keyFlags) {
  const bool inside = HitTest(x, y) == 1;
  const bool leftDown = (keyFlags & platform::MK_LBUTTON) != 0;
  switch (m_mouseState) {
    case kNormal:
      if (inside) {
        m_mouseState = kHover;
        ShowCursor(platform::IDC_HAND);
        Redraw(window);
        TakeCapture(window);
      }
      break;
    case kHover:
      if (!inside) {
        m_mouseState = kNormal;
        ShowCursor(platform::IDC_ARROW);
        Redraw(window);
        GiveUpCapture(window);
      } else if (leftDown) {
        m_mouseState = kPressed;
        Redraw(window);
      }
      break;
    case kPressed:
      if (!inside) {
        m_mouseState = kNormal;
        ShowCursor(platform::IDC_ARROW);
        Redraw(window);
        GiveUpCapture(window);
      } else if (!leftDown) {
        m_mouseState = kHover;
        Redraw(window);
      }
      break;
    default:
      break;
  }
}

}  // namespace Velunor::Quillon::Ui
