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

CUpdateWnd::CUpdateWnd(platform::ModuleHandle instance) : m_hInstance(instance) {}

CUpdateWnd::~CUpdateWnd() {
  platform::UiWindow window = Detach();
  if (window) platform::DestroyWindow(window);
  ReleaseIcons();
}

std::intptr_t CUpdateWnd::DoModal(platform::UiWindow owner) {
  std::intptr_t result = platform::Dialog::DoModal(m_hInstance, kUpdateDialogId, owner, 0);
  ReleaseIcons();
  return result;
}

void CUpdateWnd::ReleaseIcons() {
  for (platform::IconHandle& icon : m_icons) {
    if (icon != nullptr) platform::DestroyIcon(icon);
    icon = nullptr;
  }
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

LResult CUpdateWnd::OnClose(unsigned int, WParam, LParam, bool&) {
  EndDialog(m_result);
  return 0;
}

LResult CUpdateWnd::OnInitDialog(unsigned int, WParam, LParam, bool&) {
  std::wstring text = Common::GetUpdateNotificationWndText();
  if (text.empty()) {
    platform::PostMessage(Handle(), platform::WM_CLOSE);
    return 0;
  }
  platform::SetWindowText(Handle(), kTrayPopupCaption);
  text = ToPopupText(text);

  m_icons[0] = platform::LoadIcon(m_hInstance, kTrayIconId);
  m_icons[1] = platform::LoadIcon(m_hInstance, kTrayIconId);
  platform::SendMessage(Handle(), platform::WM_SETICON, platform::ICON_SMALL, reinterpret_cast<LParam>(m_icons[0]));
  platform::SendMessage(Handle(), platform::WM_SETICON, platform::ICON_BIG, reinterpret_cast<LParam>(m_icons[1]));

  PlaceTrayPopup(Handle(), kClientWidth, kClientHeight);

  m_text.SetText(text, kBlack, kFace, kTextHeight, kTextWeight, platform::Rect{25, 10, 425, 40}, 0);
  // Hover and pressed show the normal picture.
  m_linkButton.SetButton(platform::Rect{50, 50, 400, 65}, kUpdateLinkBitmapId, 0, 0);
  return 1;
}

LResult CUpdateWnd::OnPaint(unsigned int, WParam, LParam, bool&) {
  PaintTrayPopup(Handle(), [this](platform::DcHandle dc) { DrawParts(dc); });
  return 0;
}

void CUpdateWnd::DrawParts(platform::DcHandle dc) {
  platform::Rect client;
  platform::GetClientRect(Handle(), client);
  platform::FillRect(dc, client, platform::GetStockObject(platform::WHITE_BRUSH));
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
