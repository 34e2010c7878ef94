#pragma once
// Top-level windows of every program on the desktop, this one's included: found by
// title or by process, and brought to the front. On X11 the list comes from the window
// manager (_NET_CLIENT_LIST_STACKING or _NET_CLIENT_LIST) or, with no window manager,
// from the mapped children of the root window; titles from _NET_WM_NAME (else WM_NAME),
// processes from _NET_WM_PID. Without an X11 display only this program's own windows
// are seen.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/windows/UiWindow.h"

namespace platform {

struct TopLevelWindow {
  UiWindow own;                 // set for a window of this program
  std::uint32_t x11Window = 0;  // set for a window of another program
  std::uint32_t processId = 0;  // 0 when the window does not say
  std::wstring title;
};

// Visible top-level windows, topmost first.
std::vector<TopLevelWindow> EnumTopLevelWindows();
// The first window whose title is exactly the text.
std::optional<TopLevelWindow> FindTopLevelWindow(const std::wstring& title);
// The first window (topmost first) of the process.
std::optional<TopLevelWindow> FindTopLevelWindowOfProcess(std::uint32_t processId);
// Raises and activates the window (through the window manager when there is one).
bool SetForegroundWindow(const TopLevelWindow& window);
// Keeps this program's top-level window above another program's window for as long as
// both are shown (the window manager stacks it over its owner and lets it take the
// focus): for a window that answers the program that started it. Call before the window
// is first shown. False when either window is not there.
bool SetExternalOwner(UiWindow window, const TopLevelWindow& owner);

}  // namespace platform
