#include "resources/tray/TrayResources.h"

#include <cstddef>

#include "platform/ui/windows/UiWindow.h"

#define CORVANE_TRAY_IMAGE(symbol)            \
  extern const unsigned char symbol[];        \
  extern const std::size_t symbol##Size;
CORVANE_TRAY_IMAGE(kEmbeddedIcon107)
CORVANE_TRAY_IMAGE(kEmbeddedBitmap132)
CORVANE_TRAY_IMAGE(kEmbeddedBitmap133)
CORVANE_TRAY_IMAGE(kEmbeddedBitmap136)
CORVANE_TRAY_IMAGE(kEmbeddedBitmap137)
CORVANE_TRAY_IMAGE(kEmbeddedBitmap138)
CORVANE_TRAY_IMAGE(kEmbeddedBitmap139)
CORVANE_TRAY_IMAGE(kEmbeddedBitmap140)
CORVANE_TRAY_IMAGE(kEmbeddedBitmap141)
#undef CORVANE_TRAY_IMAGE

namespace Velunor::Quillon::Resident {

namespace {

using platform::ControlClass;
using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::MenuItemTemplate;
using platform::MenuTemplate;
using platform::ResourceModule;

// The popups give themselves their size and place when they start; the template sizes
// only keep them readable.
DialogTemplate PopupTemplate(int id) {
  DialogTemplate popup;
  popup.id = id;
  popup.style = platform::WS_POPUP | platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_SETFONT;
  popup.width = 320;
  popup.height = 100;
  popup.fontFace = L"MS Shell Dlg";
  popup.fontPointSize = 8;
  return popup;
}

ResourceModule MakeTrayResources() {
  ResourceModule module;
  module.name = L"CorvaneTray";

  // Never shown; its two buttons are there because the template has them.
  DialogTemplate task;
  task.id = kTaskDialogId;
  task.caption = L"CorvaneTray";
  task.style = platform::WS_POPUP | platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_MODALFRAME |
               platform::DS_SETFONT;
  task.width = 186;
  task.height = 95;
  task.fontFace = L"MS Shell Dlg";
  task.fontPointSize = 8;
  const std::uint32_t button = platform::WS_CHILD | platform::WS_VISIBLE | platform::WS_TABSTOP;
  task.controls = {
      ControlTemplate{ControlClass::Button, platform::IDOK, L"OK", button | platform::BS_DEFPUSHBUTTON, 129, 7, 50, 14},
      ControlTemplate{ControlClass::Button, platform::IDCANCEL, L"キャンセル", button | platform::BS_PUSHBUTTON, 129, 24, 50, 14},
  };
  module.dialogs.push_back(task);
  module.dialogs.push_back(PopupTemplate(kNotificationDialogId));
  module.dialogs.push_back(PopupTemplate(kUpdateDialogId));

  MenuItemTemplate showGraph;
  showGraph.text = L"通信料診断画面の表示";
  showGraph.commandId = ID_SHOW_GRAPH;
  MenuItemTemplate uninstall;
  uninstall.text = L"アンインストール";
  uninstall.commandId = ID_UNINSTALL;
  MenuItemTemplate popup;
  popup.text = L"タスクトレイアイコンメニュー";
  popup.items = {showGraph, uninstall};
  MenuTemplate menu;
  menu.id = kTrayMenuId;
  menu.items.push_back(popup);
  module.menus.push_back(menu);

  module.bitmaps = {
      {kShowButtonBitmapId, kEmbeddedBitmap132, kEmbeddedBitmap132Size},
      {kCloseButtonBitmapId, kEmbeddedBitmap133, kEmbeddedBitmap133Size},
      {kUpdateLinkBitmapId, kEmbeddedBitmap136, kEmbeddedBitmap136Size},
      {kGuidanceInfoBitmapId, kEmbeddedBitmap137, kEmbeddedBitmap137Size},
      {kShowButtonHoverBitmapId, kEmbeddedBitmap138, kEmbeddedBitmap138Size},
      {kShowButtonPressedBitmapId, kEmbeddedBitmap139, kEmbeddedBitmap139Size},
      {kCloseButtonHoverBitmapId, kEmbeddedBitmap140, kEmbeddedBitmap140Size},
      {kCloseButtonPressedBitmapId, kEmbeddedBitmap141, kEmbeddedBitmap141Size},
  };
  module.icons = {{kTrayIconId, kEmbeddedIcon107, kEmbeddedIcon107Size}};
  return module;
}

}  // namespace

platform::ModuleHandle GetTrayResources() {
  static const ResourceModule module = MakeTrayResources();
  return &module;
}

}  // namespace Velunor::Quillon::Resident
