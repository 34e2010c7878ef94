#include "platform/ui/testing/PopupMenuControl.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

#include "platform/ui/desktop/ShownPopupMenu.h"

namespace platform {

namespace {

OpenPopupMenu Describe(QMenu& menu) {
  OpenPopupMenu open;
  for (QAction* action : menu.actions()) {
    open.texts.push_back(action->isSeparator() ? std::wstring() : action->text().toStdWString());
    open.commandIds.push_back(action->isSeparator() || action->menu() != nullptr ? 0 : action->data().toInt());
  }
  QRect geometry = menu.geometry();
  open.rect = Rect{geometry.left(), geometry.top(), geometry.left() + geometry.width(), geometry.top() + geometry.height()};
  return open;
}

}  // namespace

void SetPopupMenuHook(std::function<void(const OpenPopupMenu&)> hook) {
  if (!hook) {
    ui_detail::SetShownMenuObserver(nullptr);
    return;
  }
  ui_detail::SetShownMenuObserver([hook = std::move(hook)](QMenu& menu) { hook(Describe(menu)); });
}

bool ChoosePopupMenuCommand(int commandId) {
  QMenu* openMenu = ui_detail::ShownMenu();
  if (openMenu == nullptr) return false;
  for (QAction* action : openMenu->actions()) {
    if (action->isSeparator() || action->menu() != nullptr || action->data().toInt() != commandId) continue;
    // What a keyboard user does: move onto the item and press Enter.
    openMenu->setActiveAction(action);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(openMenu, &press);
    return true;
  }
  return false;
}

bool ClosePopupMenu() {
  QMenu* openMenu = ui_detail::ShownMenu();
  if (openMenu == nullptr) return false;
  openMenu->hide();
  return true;
}

}  // namespace platform
