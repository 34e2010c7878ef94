#pragma once
// A dialog template of the tests' own and a dialog that records what it is sent.
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/Dialog.h"
#include "platform/ui/windows/MessageLoop.h"

namespace ui_test {

inline constexpr int kDialogId = 129;
inline constexpr int kMenuId = 109;
inline constexpr int kFirstButton = 1000;
inline constexpr int kSecondButton = 1001;
inline constexpr int kFrame = 1004;
inline constexpr int kMenuCommand = 32771;

// Windows under test are drawn off screen; set before the toolkit starts.
inline const bool kOffscreen = [] {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  return true;
}();

inline platform::ModuleHandle TestModule() {
  static const platform::ResourceModule module = [] {
    platform::ResourceModule built;
    platform::DialogTemplate dialog;
    dialog.id = kDialogId;
    dialog.caption = L"テスト ダイアログ";
    dialog.style = platform::WS_POPUP | platform::WS_CAPTION | platform::WS_SYSMENU | platform::DS_CENTER;
    dialog.width = 200;
    dialog.height = 150;
    dialog.fontFace = L"ＭＳ Ｐゴシック";
    dialog.fontPointSize = 8;
    dialog.menuId = kMenuId;
    const std::uint32_t button = platform::WS_CHILD | platform::WS_VISIBLE | platform::WS_TABSTOP;
    dialog.controls = {
        {platform::ControlClass::Button, kFirstButton, L"前へ", button, 5, 5, 50, 14},
        {platform::ControlClass::Button, kSecondButton, L"次へ", button, 60, 5, 50, 14},
        {platform::ControlClass::Static, kFrame, L"", platform::WS_CHILD | platform::WS_VISIBLE | platform::SS_WHITEFRAME, 5, 30, 150, 80},
    };
    built.dialogs.push_back(dialog);
    platform::MenuTemplate menu;
    menu.id = kMenuId;
    platform::MenuItemTemplate popup;
    popup.text = L"設定";
    platform::MenuItemTemplate item;
    item.text = L"回線品目の設定";
    item.commandId = kMenuCommand;
    popup.items.push_back(item);
    menu.items.push_back(popup);
    built.menus.push_back(menu);
    return built;
  }();
  return &module;
}

struct Received {
  unsigned int message;
  platform::WParam wParam;
  platform::LParam lParam;
};

// Records every message; a test may answer some through `answer` (return true when
// handled, with the result).
class RecordingDialog : public platform::Dialog {
 public:
  using Answer = std::function<bool(unsigned int, platform::WParam, platform::LParam, platform::LResult&)>;
  Answer answer;
  std::vector<Received> received;

  std::vector<Received> Of(unsigned int message) const {
    std::vector<Received> found;
    for (const Received& entry : received) {
      if (entry.message == message) found.push_back(entry);
    }
    return found;
  }

 protected:
  bool ProcessWindowMessage(platform::UiWindow, unsigned int message, platform::WParam wParam, platform::LParam lParam,
                            platform::LResult& result) override {
    received.push_back(Received{message, wParam, lParam});
    return answer ? answer(message, wParam, lParam, result) : false;
  }
};

}  // namespace ui_test
