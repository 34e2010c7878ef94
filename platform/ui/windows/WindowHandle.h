#pragma once
// A UI window's handle and what travels in its messages: the message itself, the
// packing of its parameters and the numbers they carry. The functions on windows are in
// UiWindow.h.
#include <cstdint>

#include "platform/service/WindowMessages.h"

namespace platform {

// Names a UI window. Handles are never reused; a handle whose window has gone is
// invalid and every call on it fails harmlessly.
class UiWindow {
 public:
  constexpr UiWindow() = default;
  constexpr explicit UiWindow(std::uint64_t value) : value_(value) {}
  constexpr std::uint64_t Value() const { return value_; }
  constexpr explicit operator bool() const { return value_ != 0; }
  friend constexpr bool operator==(UiWindow a, UiWindow b) { return a.value_ == b.value_; }
  friend constexpr bool operator!=(UiWindow a, UiWindow b) { return a.value_ != b.value_; }

 private:
  std::uint64_t value_ = 0;
};

struct UiMessage {
  UiWindow window;
  unsigned int message = WM_NULL;
  WParam wParam = 0;
  LParam lParam = 0;
};

// WM_ACTIVATE states (low word of wParam).
inline constexpr unsigned int WA_INACTIVE = 0;
inline constexpr unsigned int WA_ACTIVE = 1;
inline constexpr unsigned int WA_CLICKACTIVE = 2;
// WM_MOUSEACTIVATE results.
inline constexpr LResult MA_ACTIVATE = 1;
inline constexpr LResult MA_ACTIVATEANDEAT = 2;
inline constexpr LResult MA_NOACTIVATE = 3;
inline constexpr LResult MA_NOACTIVATEANDEAT = 4;
inline constexpr int HTCLIENT = 1;

// Key flags in wParam of mouse messages.
inline constexpr unsigned int MK_LBUTTON = 0x0001;
inline constexpr unsigned int MK_RBUTTON = 0x0002;
inline constexpr unsigned int MK_SHIFT = 0x0004;
inline constexpr unsigned int MK_CONTROL = 0x0008;
inline constexpr unsigned int MK_MBUTTON = 0x0010;

// Virtual keys (wParam of WM_KEYDOWN) the dialogs know about.
inline constexpr unsigned int VK_TAB = 0x09;
inline constexpr unsigned int VK_RETURN = 0x0D;
inline constexpr unsigned int VK_ESCAPE = 0x1B;
inline constexpr unsigned int VK_SPACE = 0x20;

// Button notification in the high word of WM_COMMAND's wParam; dialog command ids.
inline constexpr unsigned int BN_CLICKED = 0;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// WM_SETICON selectors.
inline constexpr WParam ICON_SMALL = 0;
inline constexpr WParam ICON_BIG = 1;

// Cursor ids.
inline constexpr int IDC_ARROW = 32512;
inline constexpr int IDC_HAND = 32649;
// What LoadCursor and SetCursor hand out and take.
using CursorHandle = int;

constexpr WParam MakeWParam(unsigned int low, unsigned int high) {
  return static_cast<WParam>((low & 0xFFFF) | ((high & 0xFFFF) << 16));
}
// Client coordinates travel as signed 16-bit halves of lParam.
constexpr LParam MakeLParam(int x, int y) {
  return static_cast<LParam>(static_cast<std::uint32_t>((static_cast<std::uint32_t>(x) & 0xFFFF) |
                                                        ((static_cast<std::uint32_t>(y) & 0xFFFF) << 16)));
}
constexpr int XFromLParam(LParam value) { return static_cast<std::int16_t>(value & 0xFFFF); }
constexpr int YFromLParam(LParam value) { return static_cast<std::int16_t>((value >> 16) & 0xFFFF); }

}  // namespace platform
