#include "tray/NotificationWnd.h"

#include "common/ConfigSettings.h"
#include "resources/tray/TrayResources.h"
#include "tray/TrayPopup.h"

namespace Velunor::Quillon::Resident {

namespace {

using platform::LParam;
using platform::LResult;
using platform::WParam;

constexpr platform::ColorRef kGrey = platform::Rgb(128, 128, 128);
constexpr wchar_t kFace[] = L"ＭＳ Ｐゴシック";
constexpr int kTextHeight = 18;
constexpr int kTextWeight = 900;

}  // namespace

CNotificationWnd::CNotificationWnd(platform::ModuleHandle instance) : CTrayPopup(instance) {}

std::intptr_t CNotificationWnd::DoModal(platform::UiWindow owner) {
  return RunModal(kNotificationDialogId, owner);
}

bool CNotificationWnd::ProcessWindowMessage(platform::UiWindow, unsigned int message, WParam wParam, LParam lParam,
                                            LResult& result) {
  static const platform::MessageMapEntry<CNotificationWnd> map[] = {
      {platform::WM_CLOSE, &CNotificationWnd::OnClose},
      {platform::WM_INITDIALOG, &CNotificationWnd::OnInitDialog},
      {platform::WM_COMMAND, &CNotificationWnd::OnCommand},
      {platform::WM_PAINT, &CNotificationWnd::OnPaint},
      {platform::WM_MOUSEMOVE, &CNotificationWnd::OnMouseMove},
      {platform::WM_LBUTTONDOWN, &CNotificationWnd::OnLButtonDown},
  };
  return platform::RunMessageMap(*this, map, message, wParam, lParam, result);
}

LResult CNotificationWnd::OnInitDialog(unsigned int, WParam, LParam, bool&) {
  std::wstring text;
  if (!BeginPopup(Common::GetGuidNotificationWndText(), kClientWidth, kClientHeight, text)) return 0;

  m_icon.SetBitmapRect(224, 5, 256, 38, kGuidanceInfoBitmapId);
  // The text reaches below the client area; what falls outside is cut off.
  m_text.SetText(text, kGrey, kFace, kTextHeight, kTextWeight, platform::Rect{15, 53, 465, 173}, 0);
  m_showButton.SetButton(platform::Rect{5, 103, 118, 145}, kShowButtonBitmapId, kShowButtonHoverBitmapId,
                         kShowButtonPressedBitmapId);
  m_closeButton.SetButton(platform::Rect{362, 103, 475, 145}, kCloseButtonBitmapId, kCloseButtonHoverBitmapId,
                          kCloseButtonPressedBitmapId);
  return 1;
}

LResult CNotificationWnd::OnCommand(unsigned int, WParam, LParam, bool&) { return 0; }

void CNotificationWnd::DrawParts(platform::DcHandle dc) {
  FillBackground(dc);
  m_icon.Draw(m_hInstance, Handle(), dc);
  m_text.DrawCenter(m_hInstance, Handle(), dc, 1);
  m_showButton.Draw(m_hInstance, Handle(), dc);
  m_closeButton.Draw(m_hInstance, Handle(), dc);
}

LResult CNotificationWnd::OnMouseMove(unsigned int, WParam wParam, LParam lParam, bool&) {
  const int x = platform::XFromLParam(lParam);
  const int y = platform::YFromLParam(lParam);
  const unsigned int keyFlags = static_cast<unsigned int>(wParam);
  m_showButton.OnMouse(Handle(), x, y, keyFlags);
  m_closeButton.OnMouse(Handle(), x, y, keyFlags);
  return 0;
}

LResult CNotificationWnd::OnLButtonDown(unsigned int, WParam wParam, LParam lParam, bool&) {
  const int x = platform::XFromLParam(lParam);
  const int y = platform::YFromLParam(lParam);
  const unsigned int keyFlags = static_cast<unsigned int>(wParam);
  m_showButton.OnMouse(Handle(), x, y, keyFlags);
  m_closeButton.OnMouse(Handle(), x, y, keyFlags);
  // A plain left click only: with Shift, Ctrl or another button held nothing closes.
  if (keyFlags != platform::MK_LBUTTON) return 0;
  if (m_showButton.HitTest(x, y)) {
    m_result = 1;
    platform::PostMessage(Handle(), platform::WM_CLOSE);
  }
  if (m_closeButton.HitTest(x, y)) platform::PostMessage(Handle(), platform::WM_CLOSE);
  return 0;
}

}  // namespace Velunor::Quillon::Resident
