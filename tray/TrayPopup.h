#pragma once
// What the tray program's two popups share: their caption, the text conversion of the
// configured popup texts, the placement above the notification area, the
// double-buffered painting, and the popup window itself (CTrayPopup).
#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/UiWindow.h"

namespace Velunor::Quillon::Resident {

inline constexpr wchar_t kTrayPopupCaption[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカからのご案内";

// The screen rectangle of the notification area's icons: 1 when a tray host shows one,
// else 0 with the rectangle untouched.
int GetTrayToolbarRect(platform::Rect& rect);

// Gives the popup a client area of clientWidth x clientHeight and places it topmost and
// shown, the window manager's frame included (and placed again when that frame comes or
// changes): its bottom at the work area's bottom, its right edge at the right edge of
// the notification-area icons, or at the work area's right when they cannot be found.
void PlaceTrayPopup(platform::UiWindow popup, int clientWidth, int clientHeight);

// config.ini carries line breaks as a backslash and the letter n.
std::wstring ToPopupText(const std::wstring& configuredText);

// Inside WM_PAINT: draws the whole client area into a memory bitmap and copies it to the
// window in one go.
void PaintTrayPopup(platform::UiWindow popup, const std::function<void(platform::DcHandle dc)>& draw);

// A popup dialog of the tray program: run modally over an owner, it ends with the result
// its derived class chose (0 unless set) when it is closed.
class CTrayPopup : public platform::Dialog {
 public:
  explicit CTrayPopup(platform::ModuleHandle instance) : m_hInstance(instance) {}
  ~CTrayPopup() override;

  int GetResult() const { return m_result; }
  // Everything the popup paints, in its order, into a context of the client size.
  virtual void DrawParts(platform::DcHandle dc) = 0;

 protected:
  // Runs the dialog template over the owner: the popup's result, or -1 when it could not
  // be made.
  std::intptr_t RunModal(int templateId, platform::UiWindow owner);
  // The start of WM_INITDIALOG: with no configured text the popup closes at once (false);
  // else caption and icons are set, the popup is placed and text holds the text to show.
  bool BeginPopup(const std::wstring& configuredText, int clientWidth, int clientHeight, std::wstring& text);
  // White over the whole client area, the first thing every popup paints.
  void FillBackground(platform::DcHandle dc);

  platform::LResult OnClose(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);
  platform::LResult OnPaint(unsigned int message, platform::WParam wParam, platform::LParam lParam, bool& handled);

  platform::ModuleHandle m_hInstance;
  int m_result = 0;

 private:
  void ReleaseIcons();

  platform::IconHandle m_icons[2] = {nullptr, nullptr};
};

}  // namespace Velunor::Quillon::Resident
