#include "platform/ui/windowsystem/OpenWindowSystem.h"

#include "platform/ui/display/X11Connection.h"
#include "platform/ui/windowsystem/NullWindowSystem.h"
#include "platform/ui/windowsystem/X11WindowSystem.h"

namespace platform::ui_detail {

std::unique_ptr<DesktopWindowSystem> OpenDesktopWindowSystem(WindowsOf whose) {
  std::optional<X11Connection> connection =
      whose == WindowsOf::ThisProgram ? X11Connection::OfToolkit() : X11Connection::Open();
  if (connection) return MakeX11WindowSystem(std::move(*connection));
  return MakeNullWindowSystem();
}

}  // namespace platform::ui_detail
