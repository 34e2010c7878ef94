#pragma once
// A modal message box with an OK button, as the classic MessageBox call shows it. The
// box is a top-level window of this program (other programs see it by process), so a
// window manager's close request answers it like its OK button.
#include <string>

#include "platform/ui/windows/UiWindow.h"

namespace platform {

inline constexpr unsigned int MB_OK = 0x00000000;
inline constexpr unsigned int MB_ICONERROR = 0x00000010;
inline constexpr unsigned int MB_ICONWARNING = 0x00000030;
inline constexpr unsigned int MB_ICONINFORMATION = 0x00000040;
inline constexpr unsigned int MB_TOPMOST = 0x00040000;

// Shows the text ("\r\n" breaks lines) under the caption and waits until the user has
// answered; returns IDOK, or 0 when no box could be shown.
int MessageBox(UiWindow owner, const std::wstring& text, const std::wstring& caption, unsigned int type);

}  // namespace platform
