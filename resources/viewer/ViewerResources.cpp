#include "resources/viewer/ViewerResources.h"

#include <cstddef>

extern const unsigned char kEmbeddedBitmap131[];
extern const std::size_t kEmbeddedBitmap131Size;
extern const unsigned char kEmbeddedBitmap137[];
extern const std::size_t kEmbeddedBitmap137Size;
extern const unsigned char kEmbeddedBitmap138[];
extern const std::size_t kEmbeddedBitmap138Size;
extern const unsigned char kEmbeddedBitmap139[];
extern const std::size_t kEmbeddedBitmap139Size;
extern const unsigned char kEmbeddedBitmap140[];
extern const std::size_t kEmbeddedBitmap140Size;
extern const unsigned char kEmbeddedIcon109[];
extern const std::size_t kEmbeddedIcon109Size;

namespace Velunor::Quillon::Ui {

namespace {

using platform::ControlClass;
using platform::ControlTemplate;
using platform::DialogTemplate;
using platform::MenuItemTemplate;
using platform::MenuTemplate;
using platform::ResourceModule;

ResourceModule MakeViewerResources() {
  ResourceModule module;
  module.name = L"CorvaneViewer";

  // The main window sets its own client size (500 x 520) and moves every control when
  // it starts; the sizes here only keep the template readable.
  DialogTemplate main;
  main.id = kMainDialogId;
  main.caption = L"ミルカナ ソラネ/ソラネプラス　ノルディカ";
  main.style = platform::WS_POPUP | platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_CENTER |
               platform::DS_SETFONT | platform::DS_MODALFRAME;
  main.extendedStyle = platform::WS_EX_CLIENTEDGE;
  main.width = 334;
  main.height = 346;
  main.fontFace = L"ＭＳ Ｐゴシック";
  main.fontPointSize = 8;
  main.menuId = kMainMenuId;
  const std::uint32_t button = platform::WS_CHILD | platform::WS_VISIBLE | platform::WS_TABSTOP | platform::BS_PUSHBUTTON;
  main.controls = {
      ControlTemplate{ControlClass::Button, kPrevMonthButtonId, L"<<", button, 3, 23, 67, 20},
      ControlTemplate{ControlClass::Button, kNextMonthButtonId, L">>", button, 263, 23, 67, 20},
      // Only reserves the graph's place; the window paints the graph there.
      ControlTemplate{ControlClass::Static, kGraphFrameId, L"", platform::WS_CHILD | platform::WS_VISIBLE | platform::SS_WHITEFRAME, 3, 43, 327, 120},
      ControlTemplate{ControlClass::Button, kUpdateButtonId, L"更新", button, 217, 23, 20, 20},
  };
  module.dialogs.push_back(main);

  MenuTemplate menu;
  menu.id = kMainMenuId;
  MenuItemTemplate settings;
  settings.text = L"設定";
  MenuItemTemplate lineItems;
  lineItems.text = L"回線品目の設定";
  lineItems.commandId = kLineSettingsCommandId;
  settings.items.push_back(lineItems);
  menu.items.push_back(settings);
  module.menus.push_back(menu);

  module.bitmaps = {
      {kTitleBitmapId, kEmbeddedBitmap131, kEmbeddedBitmap131Size},
      {kDownloadBitmapId, kEmbeddedBitmap137, kEmbeddedBitmap137Size},
      {kDownloadHoverBitmapId, kEmbeddedBitmap138, kEmbeddedBitmap138Size},
      {kComparisonBitmapId, kEmbeddedBitmap139, kEmbeddedBitmap139Size},
      {kComparisonHoverBitmapId, kEmbeddedBitmap140, kEmbeddedBitmap140Size},
  };
  module.icons = {{kMainIconId, kEmbeddedIcon109, kEmbeddedIcon109Size}};
  return module;
}

}  // namespace

platform::ModuleHandle GetViewerResources() {
  static const ResourceModule module = MakeViewerResources();
  return &module;
}

}  // namespace Velunor::Quillon::Ui
