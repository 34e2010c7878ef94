#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "widgets/DrawBmp.h"

namespace Velunor::Quillon::Ui {

CDrawBmp& CDrawBmp::SetBitmapRect(int left, int top, int right, int bottom, int bitmapId) {
  m_rect = platform::Rect{left, top, right, bottom};
  m_bitmapId = bitmapId;
  return *this;
}

void CDrawBmp::DrawBitmap(platform::ModuleHandle instance, platform::UiWindow, platform::DcHandle dc,
                          int bitmapId) {
  if (bitmapId == 0) return;
  platform::GdiObjectHandle bitmap = platform::LoadBitmap(instance, bitmapId);
  if (bitmap == nullptr) return;
  platform::DcHandle memory = platform::CreateCompatibleDC(dc);
  if (memory == nullptr) {
    platform::DeleteObject(bitmap);
    return;
  }
  platform::GdiObjectHandle previous = platform::SelectObject(memory, bitmap);
  platform::BitBlt(dc, m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), memory, 0, 0, platform::SRCCOPY);
  platform::SelectObject(memory, previous);
  platform::DeleteDC(memory);
  platform::DeleteObject(bitmap);
}

void CDrawBmp::Draw(platform::ModuleHandle instance, platform::UiWindow window, platform::DcHandle dc) {
  DrawBitmap(instance, window, dc, m_bitmapId);
}

bool CDrawBmp::Invalidate(platform::UiWindow window) { return platform::InvalidateRect(window, &m_rect, true); }

int CDrawBmp::HitTest(int x, int y) const { return platform::PtInRect(m_rect, platform::Point{x, y}) ? 1 : 0; }

}  // namespace Velunor::Quillon::Ui
