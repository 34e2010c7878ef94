#pragma once
// Message numbers and parameter types of the message queues and the windowed programs:
// the one home of every message number. The numbers are the ones the programs were
// written against, so private messages such as WM_APP + 2 keep their values.
#include <cstdint>

namespace platform {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

inline constexpr unsigned int WM_NULL = 0x0000;
inline constexpr unsigned int WM_CREATE = 0x0001;
inline constexpr unsigned int WM_DESTROY = 0x0002;
inline constexpr unsigned int WM_MOVE = 0x0003;
inline constexpr unsigned int WM_SIZE = 0x0005;
inline constexpr unsigned int WM_ACTIVATE = 0x0006;
inline constexpr unsigned int WM_SETFOCUS = 0x0007;
inline constexpr unsigned int WM_KILLFOCUS = 0x0008;
inline constexpr unsigned int WM_SETTEXT = 0x000C;
inline constexpr unsigned int WM_GETTEXT = 0x000D;
inline constexpr unsigned int WM_PAINT = 0x000F;
inline constexpr unsigned int WM_CLOSE = 0x0010;
inline constexpr unsigned int WM_QUIT = 0x0012;
inline constexpr unsigned int WM_ERASEBKGND = 0x0014;
inline constexpr unsigned int WM_SHOWWINDOW = 0x0018;
inline constexpr unsigned int WM_ACTIVATEAPP = 0x001C;
inline constexpr unsigned int WM_SETCURSOR = 0x0020;
inline constexpr unsigned int WM_MOUSEACTIVATE = 0x0021;
inline constexpr unsigned int WM_SETICON = 0x0080;
inline constexpr unsigned int WM_NCDESTROY = 0x0082;
inline constexpr unsigned int WM_KEYDOWN = 0x0100;
inline constexpr unsigned int WM_KEYUP = 0x0101;
inline constexpr unsigned int WM_INITDIALOG = 0x0110;
inline constexpr unsigned int WM_COMMAND = 0x0111;
inline constexpr unsigned int WM_SYSCOMMAND = 0x0112;
inline constexpr unsigned int WM_TIMER = 0x0113;
inline constexpr unsigned int WM_MOUSEMOVE = 0x0200;
inline constexpr unsigned int WM_LBUTTONDOWN = 0x0201;
inline constexpr unsigned int WM_LBUTTONUP = 0x0202;
inline constexpr unsigned int WM_LBUTTONDBLCLK = 0x0203;
inline constexpr unsigned int WM_RBUTTONDOWN = 0x0204;
inline constexpr unsigned int WM_RBUTTONUP = 0x0205;
inline constexpr unsigned int WM_RBUTTONDBLCLK = 0x0206;
inline constexpr unsigned int WM_MBUTTONDOWN = 0x0207;
inline constexpr unsigned int WM_MBUTTONUP = 0x0208;
inline constexpr unsigned int WM_MBUTTONDBLCLK = 0x0209;
inline constexpr unsigned int WM_MOUSELEAVE = 0x02A3;
inline constexpr unsigned int WM_USER = 0x0400;
inline constexpr unsigned int WM_APP = 0x8000;

// Button control messages.
inline constexpr unsigned int BM_CLICK = 0x00F5;

// Names given to RegisterWindowMessage get numbers from this range.
inline constexpr unsigned int kFirstRegisteredMessage = 0xC000;
inline constexpr unsigned int kLastRegisteredMessage = 0xFFFF;

// Removal flags of PeekMessage.
inline constexpr unsigned int PM_NOREMOVE = 0x0000;
inline constexpr unsigned int PM_REMOVE = 0x0001;

inline constexpr unsigned int LowWord(WParam value) { return static_cast<unsigned int>(value & 0xFFFF); }
inline constexpr unsigned int HighWord(WParam value) { return static_cast<unsigned int>((value >> 16) & 0xFFFF); }

}  // namespace platform
