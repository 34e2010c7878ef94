#include "tray/TrayPopup.h"

#include "common/StringUtil.h"
#include "platform/ui/desktop/NotificationArea.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/drawing/GdiObjects.h"
#include "platform/ui/drawing/GdiShapes.h"
#include "resources/tray/TrayResources.h"

namespace Velunor::Quillon::Resident {

int GetTrayToolbarRect(platform::Rect& rect) { return platform::GetNotificationAreaRect(rect) ? 1 : 0; }

namespace {

// Where a popup of this outer size goes: bottom at the work area's bottom, right edge at
// the notification-area icons' right edge, else at the work area's right.
platform::Point TrayPopupPosition(int width, int height) {
  platform::Rect work = platform::GetWorkArea();
  if (work.Width() <= 0 || work.Height() <= 0) work = platform::GetScreenRect();
  platform::Point position{work.right - width, work.bottom - height};
  platform::Rect toolbar;
  if (GetTrayToolbarRect(toolbar) == 1) {
    position.x = toolbar.right - width;
    // A tray host may sit anywhere (a panel on the left, at the top): the popup stays
    // whole inside the work area, so both of its buttons can be reached.
    if (position.x + width > work.right) position.x = work.right - width;
    if (position.x < work.left) position.x = work.left;
  }
  return position;
}

void FrameSize(platform::UiWindow popup, int& width, int& height) {
  platform::Rect window;
  platform::Rect client;
  platform::GetWindowRect(popup, window);
  platform::GetClientRect(popup, client);
  width = window.Width() - client.Width();
  height = window.Height() - client.Height();
}

}  // namespace

void PlaceTrayPopup(platform::UiWindow popup, int clientWidth, int clientHeight) {
  int frameWidth = 0;
  int frameHeight = 0;
  FrameSize(popup, frameWidth, frameHeight);
  platform::SetWindowPos(popup, platform::ZOrder::TopMost, 0, 0, frameWidth + clientWidth, frameHeight + clientHeight,
                         platform::SWP_NOMOVE);
  // The window manager's frame comes only after the show, so the place follows it.
  platform::KeepWindowPlaced(popup, TrayPopupPosition);
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

CTrayPopup::~CTrayPopup() {
  platform::UiWindow window = Detach();
  if (window) platform::DestroyWindow(window);
  ReleaseIcons();
}

std::intptr_t CTrayPopup::RunModal(int templateId, platform::UiWindow owner) {
  const std::intptr_t result = platform::Dialog::DoModal(m_hInstance, templateId, owner, 0);
  ReleaseIcons();
  return result;
}

void CTrayPopup::ReleaseIcons() {
  for (platform::IconHandle& icon : m_icons) {
    if (icon != nullptr) platform::DestroyIcon(icon);
    icon = nullptr;
  }
}

bool CTrayPopup::BeginPopup(const std::wstring& configuredText, int clientWidth, int clientHeight,
                            std::wstring& text) {
  if (configuredText.empty()) {
    platform::PostMessage(Handle(), platform::WM_CLOSE);
    return false;
  }
  platform::SetWindowText(Handle(), kTrayPopupCaption);
  text = ToPopupText(configuredText);
  m_icons[0] = platform::LoadIcon(m_hInstance, kTrayIconId);
  m_icons[1] = platform::LoadIcon(m_hInstance, kTrayIconId);
  platform::SendMessage(Handle(), platform::WM_SETICON, platform::ICON_SMALL,
                        reinterpret_cast<platform::LParam>(m_icons[0]));
  platform::SendMessage(Handle(), platform::WM_SETICON, platform::ICON_BIG,
                        reinterpret_cast<platform::LParam>(m_icons[1]));
  PlaceTrayPopup(Handle(), clientWidth, clientHeight);
  return true;
}

void CTrayPopup::FillBackground(platform::DcHandle dc) {
  platform::Rect client;
  platform::GetClientRect(Handle(), client);
  platform::FillRect(dc, client, platform::GetStockObject(platform::WHITE_BRUSH));
}

platform::LResult CTrayPopup::OnClose(unsigned int, platform::WParam, platform::LParam, bool&) {
  EndDialog(m_result);
  return 0;
}

platform::LResult CTrayPopup::OnPaint(unsigned int, platform::WParam, platform::LParam, bool&) {
  PaintTrayPopup(Handle(), [this](platform::DcHandle dc) { DrawParts(dc); });
  return 0;
}

}  // namespace Velunor::Quillon::Resident
