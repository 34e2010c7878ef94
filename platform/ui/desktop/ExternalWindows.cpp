#include "platform/ui/desktop/ExternalWindows.h"

#include <QApplication>
#include <QWidget>

#include <unistd.h>

#include "platform/ui/windows/MessageLoop.h"
#include "platform/ui/windows/WindowRegistry.h"
#include "platform/ui/windowsystem/OpenWindowSystem.h"

namespace platform {

using ui_detail::OpenDesktopWindowSystem;
using ui_detail::WindowsOf;

namespace {

std::vector<TopLevelWindow> OwnWindows() {
  std::vector<TopLevelWindow> result;
  if (QCoreApplication::instance() == nullptr || !IsUiThread()) return result;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (!widget->isVisible()) continue;
    UiWindow window = ui_detail::WindowOfWidget(widget);
    if (!window) continue;
    result.push_back(TopLevelWindow{window, 0, static_cast<std::uint32_t>(getpid()), widget->windowTitle().toStdWString()});
  }
  return result;
}

}  // namespace

std::vector<TopLevelWindow> EnumTopLevelWindows() {
  std::vector<TopLevelWindow> result = OwnWindows();
  for (ui_detail::OtherWindow& other : OpenDesktopWindowSystem(WindowsOf::OtherPrograms)->OtherProgramsWindows()) {
    result.push_back(TopLevelWindow{UiWindow(), other.x11Window, other.processId, std::move(other.title)});
  }
  return result;
}

std::optional<TopLevelWindow> FindTopLevelWindow(const std::wstring& title) {
  for (const TopLevelWindow& window : EnumTopLevelWindows()) {
    if (window.title == title) return window;
  }
  return std::nullopt;
}

std::optional<TopLevelWindow> FindTopLevelWindowOfProcess(std::uint32_t processId) {
  if (processId == 0) return std::nullopt;
  for (const TopLevelWindow& window : EnumTopLevelWindows()) {
    if (window.processId == processId) return window;
  }
  return std::nullopt;
}

bool SetExternalOwner(UiWindow window, const TopLevelWindow& owner) {
  ui_detail::WindowRecord* record = ui_detail::FindRecord(window);
  if (record == nullptr || !record->frame || record->kind != ui_detail::WindowKind::Dialog) return false;
  if (owner.own) return false;  // windows of this program have their owner from Create
  if (owner.x11Window == 0) return false;
  return OpenDesktopWindowSystem(WindowsOf::ThisProgram)->SetTransientOwner(*record->frame, record->externalOwner, owner.x11Window);
}

bool SetForegroundWindow(const TopLevelWindow& window) {
  if (window.own) return SetForegroundWindow(window.own);
  if (window.x11Window == 0) return false;
  return OpenDesktopWindowSystem(WindowsOf::OtherPrograms)->BringToFront(window.x11Window);
}

}  // namespace platform
