#pragma once
// Icons in the desktop's notification area, through the toolkit's tray icon (on X11 an
// icon window docked by the tray host). Mouse input on an icon reaches its window as the
// icon's callback message: wParam the icon's id, lParam the mouse message. The toolkit
// reports clicks, not presses and releases, so each click arrives as the press and the
// release of its button; a double click as WM_LBUTTONDBLCLK and WM_LBUTTONUP after the
// first click's pair.
//
// When a tray host appears (for the first time, or again after it went away) every
// window that has asked to add an icon receives the message registered as
// "TaskbarCreated" (RegisterWindowMessage), so it can add its icons again.
#include <string>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/windows/UiWindow.h"

namespace platform {

// What ShellNotifyIcon does.
inline constexpr unsigned int NIM_ADD = 0;
inline constexpr unsigned int NIM_MODIFY = 1;
inline constexpr unsigned int NIM_DELETE = 2;

// Which members of the record count.
inline constexpr unsigned int NIF_MESSAGE = 0x01;
inline constexpr unsigned int NIF_ICON = 0x02;
inline constexpr unsigned int NIF_TIP = 0x04;
inline constexpr unsigned int NIF_STATE = 0x08;
inline constexpr unsigned int NIF_INFO = 0x10;

// State bits.
inline constexpr unsigned int NIS_HIDDEN = 0x01;
inline constexpr unsigned int NIS_SHAREDICON = 0x02;

inline constexpr wchar_t kTaskbarCreatedMessageName[] = L"TaskbarCreated";

struct NotifyIconData {
  unsigned int size = 0;  // kept for the callers' records; not looked at
  UiWindow window;        // with id, names the icon
  unsigned int id = 0;
  unsigned int flags = 0;
  unsigned int callbackMessage = 0;
  IconHandle icon = nullptr;  // copied; the caller keeps its handle
  std::wstring tip;           // tool tip, at most 127 characters used
  unsigned int state = 0;
  unsigned int stateMask = 0;
  std::wstring info;          // balloon text, at most 255 characters; empty: no balloon
  std::wstring infoTitle;     // at most 63 characters
  unsigned int timeout = 0;   // balloon time in milliseconds
};

// NIM_ADD: false when the icon exists already, the window is not a UI window or no tray
// host runs (the window still gets "TaskbarCreated" once one appears). NIM_MODIFY and
// NIM_DELETE: false when there is no such icon.
bool ShellNotifyIcon(unsigned int action, const NotifyIconData& data);

}  // namespace platform
