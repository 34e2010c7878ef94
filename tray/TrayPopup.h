#pragma once
// What the tray program's two popups share: their caption, the text conversion of the
// configured popup texts, the placement above the notification area and the
// double-buffered painting.
#include <functional>
#include <string>

#include "platform/ui/Gdi.h"
#include "platform/ui/UiWindow.h"

namespace Velunor::Quillon::Resident {

inline constexpr wchar_t kTrayPopupCaption[] = L"ミルカナ ソラネ/ソラネプラス　ノルディカからのご案内";

// The screen rectangle of the notification area's icons: 1 when a tray host shows one,
// else 0 with the rectangle untouched.
int GetTrayToolbarRect(platform::Rect& rect);

// Gives the popup a client area of clientWidth x clientHeight and places it topmost and
// shown: its bottom at the work area's bottom, its right edge at the right edge of the
// notification-area icons, or at the work area's right when they cannot be found.
void PlaceTrayPopup(platform::UiWindow popup, int clientWidth, int clientHeight);

// config.ini carries line breaks as a backslash and the letter n.
std::wstring ToPopupText(const std::wstring& configuredText);

// Inside WM_PAINT: draws the whole client area into a memory bitmap and copies it to the
// window in one go.
void PaintTrayPopup(platform::UiWindow popup, const std::function<void(platform::DcHandle dc)>& draw);

}  // namespace Velunor::Quillon::Resident
