#pragma once
// Menus made from a program's menu templates, shown as pop-ups at a point of the screen.
#include <string>

#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/UiWindow.h"

namespace platform {

// TrackPopupMenu flags.
inline constexpr unsigned int TPM_LEFTALIGN = 0x0000;
inline constexpr unsigned int TPM_RIGHTBUTTON = 0x0002;
inline constexpr unsigned int TPM_CENTERALIGN = 0x0004;
inline constexpr unsigned int TPM_RIGHTALIGN = 0x0008;
inline constexpr unsigned int TPM_TOPALIGN = 0x0000;
inline constexpr unsigned int TPM_VCENTERALIGN = 0x0010;
inline constexpr unsigned int TPM_BOTTOMALIGN = 0x0020;
inline constexpr unsigned int TPM_NONOTIFY = 0x0080;
inline constexpr unsigned int TPM_RETURNCMD = 0x0100;

struct MenuObject;
using MenuHandle = MenuObject*;

// A menu of the module's template, or null when it has none by that id. The caller
// destroys it.
MenuHandle LoadMenu(ModuleHandle module, int menuId);
// The pop-up at that position of the menu, owned by the menu; null when there is none.
MenuHandle GetSubMenu(MenuHandle menu, int position);
// Destroys a menu from LoadMenu with its pop-ups; false for anything else.
bool DestroyMenu(MenuHandle menu);

// Shows the menu at (x, y) in screen coordinates and returns once it has closed. The
// point is the menu's top left corner unless TPM_RIGHTALIGN / TPM_CENTERALIGN and
// TPM_BOTTOMALIGN / TPM_VCENTERALIGN move it; the menu is kept on the screen. A chosen
// item is posted to the owner as WM_COMMAND (unless TPM_NONOTIFY). The result is the
// chosen command id with TPM_RETURNCMD, else nonzero when the menu was shown; 0 when it
// closed without a choice under TPM_RETURNCMD or could not be shown.
int TrackPopupMenu(MenuHandle menu, unsigned int flags, int x, int y, UiWindow owner);

}  // namespace platform
