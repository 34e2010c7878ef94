#include "tray/UpdateWnd.h"

#include "common/ConfigSettings.h"
#include "resources/tray/TrayResources.h"
#include "tray/TrayPopup.h"

namespace Velunor::Quillon::Resident {

namespace {

using platform::LParam;
using platform::LResult;
using platform::WParam;

constexpr platform::ColorRef kBlack = platform::Rgb(0, 0, 0);
constexpr wchar_t kFace[] = L"ＭＳ Ｐゴシック";
constexpr int kTextHeight = 13;
constexpr int kTextWeight = 900;

}  // namespace

CUpdateWnd::CUpdateWnd(platform::ModuleHandle instance) : CTrayPopup(instance) {}

std::intptr_t CUpdateWnd::DoModal(platform::UiWindow owner) {
  return RunModal(kUpdateDialogId, owner);
}

bool CUpdateWnd::ProcessWindowMessage(platform::UiWindow, unsigned int message, WParam wParam, LParam lParam,
                                      LResult& result) {
  static const platform::MessageMapEntry<CUpdateWnd> map[] = {
      {platform::WM_CLOSE, &CUpdateWnd::OnClose},
      {platform::WM_INITDIALOG, &CUpdateWnd::OnInitDialog},
      {platform::WM_PAINT, &CUpdateWnd::OnPaint},
      {platform::WM_MOUSEMOVE, &CUpdateWnd::OnMouseMove},
      {platform::WM_LBUTTONDOWN, &CUpdateWnd::OnLButtonDown},
  };
  return platform::RunMessageMap(*this, map, message, wParam, lParam, result);
}

LResult CUpdateWnd::OnInitDialog(unsigned int, WParam, LParam, bool&) {
  std::wstring text;
  if (!BeginPopup(Common::GetUpdateNotificationWndText(), kClientWidth, kClientHeight, text)) return 0;

  m_text.SetText(text, kBlack, kFace, kTextHeight, kTextWeight, platform::Rect{25, 10, 425, 40}, 0);
  // Hover and pressed show the normal picture.
  m_linkButton.SetButton(platform::Rect{50, 50, 400, 65}, kUpdateLinkBitmapId, 0, 0);
  return 1;
}

void CUpdateWnd::DrawParts(platform::DcHandle dc) {
  FillBackground(dc);
  m_text.DrawCenter(m_hInstance, Handle(), dc, 1);
  m_linkButton.Draw(m_hInstance, Handle(), dc);
}

LResult CUpdateWnd::OnMouseMove(unsigned int, WParam wParam, LParam lParam, bool&) {
  m_linkButton.OnMouse(Handle(), platform::XFromLParam(lParam), platform::YFromLParam(lParam),
                       static_cast<unsigned int>(wParam));
  return 0;
}

LResult CUpdateWnd::OnLButtonDown(unsigned int, WParam wParam, LParam lParam, bool&) {
  const int x = platform::XFromLParam(lParam);
  const int y = platform::YFromLParam(lParam);
  const unsigned int keyFlags = static_cast<unsigned int>(wParam);
  m_linkButton.OnMouse(Handle(), x, y, keyFlags);
  if (keyFlags == platform::MK_LBUTTON && m_linkButton.HitTest(x, y)) {
    m_result = 1;
    platform::PostMessage(Handle(), platform::WM_CLOSE);
  }
  return 0;
}

}  // namespace Velunor::Quillon::Resident
