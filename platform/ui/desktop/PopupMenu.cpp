#include "platform/ui/desktop/PopupMenu.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

#include "platform/ui/desktop/ShownPopupMenu.h"
#include "platform/ui/windows/MessagePump.h"

namespace platform {

struct MenuObject {
  std::vector<MenuItemTemplate> items;
  // One per item: the pop-up's menu, null for commands and separators.
  std::vector<std::unique_ptr<MenuObject>> subMenus;
  bool loaded = false;  // made by LoadMenu, so DestroyMenu may take it
};

namespace {

std::set<MenuObject*> liveMenus;
std::function<void(QMenu&)> shownMenuObserver;
QPointer<QMenu> openMenu;

std::unique_ptr<MenuObject> MakeMenu(const std::vector<MenuItemTemplate>& items) {
  auto menu = std::make_unique<MenuObject>();
  menu->items = items;
  for (const MenuItemTemplate& item : items) {
    menu->subMenus.push_back(item.IsPopup() ? MakeMenu(item.items) : nullptr);
  }
  liveMenus.insert(menu.get());
  return menu;
}

void Forget(MenuObject* menu) {
  for (auto& sub : menu->subMenus) {
    if (sub) Forget(sub.get());
  }
  liveMenus.erase(menu);
}

void Fill(QMenu& menu, const std::vector<MenuItemTemplate>& items) {
  for (const MenuItemTemplate& item : items) {
    if (item.IsPopup()) {
      Fill(*menu.addMenu(QString::fromStdWString(item.text)), item.items);
    } else if (item.commandId == 0 && item.text.empty()) {
      menu.addSeparator();
    } else {
      menu.addAction(QString::fromStdWString(item.text))->setData(item.commandId);
    }
  }
}

QPoint PlaceMenu(unsigned int flags, int x, int y, QSize size) {
  if (flags & TPM_RIGHTALIGN) {
    x -= size.width();
  } else if (flags & TPM_CENTERALIGN) {
    x -= size.width() / 2;
  }
  if (flags & TPM_BOTTOMALIGN) {
    y -= size.height();
  } else if (flags & TPM_VCENTERALIGN) {
    y -= size.height() / 2;
  }
  QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    QRect area = screen->geometry();
    x = std::max(area.left(), std::min(x, area.left() + area.width() - size.width()));
    y = std::max(area.top(), std::min(y, area.top() + area.height() - size.height()));
  }
  return QPoint(x, y);
}

}  // namespace

MenuHandle LoadMenu(ModuleHandle module, int menuId) {
  if (module == nullptr) return nullptr;
  const MenuTemplate* menuTemplate = module->FindMenu(menuId);
  if (menuTemplate == nullptr) return nullptr;
  std::unique_ptr<MenuObject> menu = MakeMenu(menuTemplate->items);
  menu->loaded = true;
  return menu.release();
}

MenuHandle GetSubMenu(MenuHandle menu, int position) {
  if (liveMenus.count(menu) == 0 || position < 0 || position >= static_cast<int>(menu->subMenus.size())) return nullptr;
  return menu->subMenus[static_cast<std::size_t>(position)].get();
}

bool DestroyMenu(MenuHandle menu) {
  if (liveMenus.count(menu) == 0 || !menu->loaded) return false;
  Forget(menu);
  delete menu;
  return true;
}

int TrackPopupMenu(MenuHandle menu, unsigned int flags, int x, int y, UiWindow owner) {
  if (liveMenus.count(menu) == 0 || openMenu || !ui_detail::EnsureUi()) return 0;
  QMenu shown;
  Fill(shown, menu->items);
  if (shown.actions().isEmpty()) return 0;
  openMenu = &shown;
  if (shownMenuObserver) {
    // Runs inside the menu's own loop, once the menu is on the screen.
    QTimer::singleShot(0, &shown, [&shown]() {
      if (shownMenuObserver) shownMenuObserver(shown);
    });
  }
  QAction* chosen = shown.exec(PlaceMenu(flags, x, y, shown.sizeHint()));
  openMenu = nullptr;
  int commandId = chosen != nullptr ? chosen->data().toInt() : 0;
  if (commandId != 0 && !(flags & TPM_NONOTIFY) && owner) {
    PostMessage(owner, WM_COMMAND, MakeWParam(static_cast<unsigned int>(commandId), 0), 0);
  }
  return (flags & TPM_RETURNCMD) ? commandId : 1;
}

namespace ui_detail {

void SetShownMenuObserver(std::function<void(QMenu&)> observer) { shownMenuObserver = std::move(observer); }

QMenu* ShownMenu() { return openMenu; }

}  // namespace ui_detail

}  // namespace platform
