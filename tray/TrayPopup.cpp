#include "tray/TrayPopup.h"

#include "common/StringUtil.h"
#include "platform/ui/NotificationArea.h"

namespace Velunor::Quillon::Resident {

int GetTrayToolbarRect(platform::Rect& rect) { return platform::GetNotificationAreaRect(rect) ? 1 : 0; }

void PlaceTrayPopup(platform::UiWindow popup, int clientWidth, int clientHeight) {
  platform::Rect window;
  platform::Rect client;
  platform::GetWindowRect(popup, window);
  platform::GetClientRect(popup, client);
  const int width = window.Width() - client.Width() + clientWidth;
  const int height = window.Height() - client.Height() + clientHeight;

  platform::Rect work = platform::GetWorkArea();
  if (work.Width() <= 0 || work.Height() <= 0) work = platform::GetScreenRect();
  int x = work.right - width;
  const int y = work.bottom - height;
  platform::Rect toolbar;
  if (GetTrayToolbarRect(toolbar) == 1) {
    x = toolbar.right - width;
    // A tray host may sit anywhere on the screen (a panel on the left, at the top):
    // the popup stays whole inside the work area, so both of its buttons can be reached.
    if (x + width > work.right) x = work.right - width;
    if (x < work.left) x = work.left;
  }
  // Top-most before it is shown: on X11 a shown window that changes its stacking hint
  // is mapped afresh, which would show it twice.
  platform::SetWindowPos(popup, platform::ZOrder::TopMost, x, y, width, height, 0);
  platform::ShowWindow(popup, platform::SW_SHOW);
}

std::wstring ToPopupText(const std::wstring& configuredText) {
  return Common::ReplaceString(configuredText, L"\\n", L"\n", 0, -1);
}

void PaintTrayPopup(platform::UiWindow popup, const std::function<void(platform::DcHandle dc)>& draw) {
  platform::PaintStruct paint;
  platform::DcHandle dc = platform::BeginPaint(popup, paint);
  platform::SetMapMode(dc, platform::MM_TEXT);
  platform::Rect client;
  platform::GetClientRect(popup, client);
  platform::DcHandle memory = platform::CreateCompatibleDC(dc);
  platform::GdiObjectHandle bitmap = platform::CreateCompatibleBitmap(dc, client.Width(), client.Height());
  platform::GdiObjectHandle oldBitmap = platform::SelectObject(memory, bitmap);
  draw(memory);
  platform::BitBlt(dc, 0, 0, client.Width(), client.Height(), memory, 0, 0, platform::SRCCOPY);
  platform::SelectObject(memory, oldBitmap);
  platform::DeleteObject(bitmap);
  platform::DeleteDC(memory);
  platform::EndPaint(popup, paint);
}

}  // namespace Velunor::Quillon::Resident
