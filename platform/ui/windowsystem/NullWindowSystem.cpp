#include "platform/ui/windowsystem/NullWindowSystem.h"

#include <QSystemTrayIcon>

namespace platform::ui_detail {

namespace {

class NullWindowSystem : public DesktopWindowSystem {
 public:
  std::vector<OtherWindow> OtherProgramsWindows() override { return {}; }
  bool BringToFront(std::uint32_t) override { return false; }
  bool RequestClose(std::uint32_t) override { return false; }
  bool SetTransientOwner(QWidget&, std::unique_ptr<QWindow>&, std::uint32_t) override { return false; }
  void OfferFixedSizeActions(QWidget*, bool) override {}
  bool GetFrameExtents(std::uint64_t, FrameExtents&) override { return false; }
  // No host to name: 1 stands for one while the toolkit reports a tray.
  std::uint64_t TrayHost() override { return QSystemTrayIcon::isSystemTrayAvailable() ? 1 : 0; }
  bool IsDocked(std::uint64_t) override { return false; }
  bool ScreenRect(std::uint64_t, Rect&) override { return false; }
  bool NotificationAreaRect(const std::vector<std::uint64_t>&, Rect&) override { return false; }
};

}  // namespace

std::unique_ptr<DesktopWindowSystem> MakeNullWindowSystem() { return std::make_unique<NullWindowSystem>(); }

}  // namespace platform::ui_detail
