#pragma once
// A program's built-in resources: dialog templates, menus, bitmaps and icons by id.
// Each program defines one ResourceModule (resources/<program>/) and passes its address
// wherever a module instance is asked for.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Window styles of dialog templates and their controls.
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
inline constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;
inline constexpr std::uint32_t WS_THICKFRAME = 0x00040000;  // a border the user may drag to resize
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t DS_MODALFRAME = 0x0080;
inline constexpr std::uint32_t DS_SETFONT = 0x0040;
inline constexpr std::uint32_t DS_CENTER = 0x0800;
inline constexpr std::uint32_t WS_EX_TOPMOST = 0x0008;
inline constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x0200;
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr std::uint32_t BS_LEFT = 0x0100;  // text at the left edge instead of centred
inline constexpr std::uint32_t SS_LEFT = 0x0000;
inline constexpr std::uint32_t SS_CENTER = 0x0001;
inline constexpr std::uint32_t SS_RIGHT = 0x0002;
inline constexpr std::uint32_t SS_BLACKFRAME = 0x0007;
inline constexpr std::uint32_t SS_GRAYFRAME = 0x0008;
inline constexpr std::uint32_t SS_WHITEFRAME = 0x0009;
inline constexpr std::uint32_t SS_ETCHEDFRAME = 0x0012;
inline constexpr std::uint32_t SS_TYPEMASK = 0x001F;

enum class ControlClass { Button, Static };

// Positions and sizes in dialog units, which follow the template's font: a quarter of
// the font's average character width and an eighth of its height.
struct ControlTemplate {
  ControlClass controlClass = ControlClass::Button;
  int id = 0;
  std::wstring text;
  std::uint32_t style = WS_CHILD | WS_VISIBLE;
  int x = 0, y = 0, width = 0, height = 0;
};

struct DialogTemplate {
  int id = 0;
  std::wstring caption;
  std::uint32_t style = 0;
  std::uint32_t extendedStyle = 0;
  int x = 0, y = 0, width = 0, height = 0;  // dialog units
  std::wstring fontFace;
  int fontPointSize = 8;
  int menuId = 0;  // 0: no menu bar
  std::vector<ControlTemplate> controls;
};

// A popup entry holds items; a command entry has an id; an entry with neither is a
// separator.
struct MenuItemTemplate {
  std::wstring text;
  int commandId = 0;
  std::vector<MenuItemTemplate> items;
  bool IsPopup() const { return !items.empty(); }
};

struct MenuTemplate {
  int id = 0;
  std::vector<MenuItemTemplate> items;
};

// PNG bytes compiled into the program.
struct ImageResource {
  int id = 0;
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

struct ResourceModule {
  std::wstring name;
  std::vector<DialogTemplate> dialogs;
  std::vector<MenuTemplate> menus;
  std::vector<ImageResource> bitmaps;
  std::vector<ImageResource> icons;

  const DialogTemplate* FindDialog(int id) const;
  const MenuTemplate* FindMenu(int id) const;
  const ImageResource* FindBitmap(int id) const;
  const ImageResource* FindIcon(int id) const;
};

// What the programs call their module instance.
using ModuleHandle = const ResourceModule*;

}  // namespace platform
