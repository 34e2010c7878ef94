#include "platform/ui/testing/NotifyIconInspection.h"

#include <QSystemTrayIcon>
#include <QWidget>

#include "platform/ui/desktop/TrayHost.h"

namespace platform {

bool IsNotifyIconShown(UiWindow window, unsigned int id) {
  QWidget* iconWindow = IsWindow(window) ? ui_detail::NotifyIconWidget(window, id) : nullptr;
  return iconWindow != nullptr && iconWindow->isVisible() && ui_detail::IsDockedWindow(iconWindow->winId());
}

std::wstring GetNotifyIconTip(UiWindow window, unsigned int id) {
  QSystemTrayIcon* icon = ui_detail::FindNotifyIcon(window, id);
  return icon != nullptr ? icon->toolTip().toStdWString() : std::wstring();
}

bool IsNotificationAreaAvailable() { return ui_detail::CurrentTrayHost() != 0; }

}  // namespace platform
