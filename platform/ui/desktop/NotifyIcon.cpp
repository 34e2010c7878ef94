#include "platform/ui/desktop/NotifyIcon.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/service/MessageQueue.h"
#include "platform/ui/desktop/TrayHost.h"
#include "platform/ui/drawing/GdiImages.h"
#include "platform/ui/windows/MessagePump.h"
#include "platform/ui/windows/WindowRegistry.h"

namespace platform {

namespace {

// How often the tray host is looked for; a host that comes back is noticed this late.
constexpr int kTrayHostPollMs = 500;

struct IconEntry {
  UiWindow window;
  unsigned int id = 0;
  unsigned int callbackMessage = 0;
  bool hidden = false;
  std::unique_ptr<QSystemTrayIcon> icon;
};

// UI thread only. Never destroyed: the toolkit's objects must not outlive the toolkit.
std::vector<std::unique_ptr<IconEntry>>& entries = *new std::vector<std::unique_ptr<IconEntry>>();
std::vector<UiWindow>& taskbarListeners = *new std::vector<UiWindow>();

// Icons of windows that have gone go with them.
void ForgetGoneWindows() {
  entries.erase(std::remove_if(entries.begin(), entries.end(), [](const auto& entry) { return !IsWindow(entry->window); }),
                entries.end());
  taskbarListeners.erase(
      std::remove_if(taskbarListeners.begin(), taskbarListeners.end(), [](UiWindow window) { return !IsWindow(window); }),
      taskbarListeners.end());
}

IconEntry* FindEntry(UiWindow window, unsigned int id) {
  for (auto& entry : entries) {
    if (entry->window == window && entry->id == id) return entry.get();
  }
  return nullptr;
}

QIcon ToQIcon(IconHandle icon) {
  std::optional<PixelImage> pixels = GetBitmapPixels(icon);
  if (!pixels || pixels->width <= 0 || pixels->height <= 0) return QIcon();
  QImage image(pixels->width, pixels->height, QImage::Format_RGB32);
  for (int y = 0; y < pixels->height; ++y) {
    for (int x = 0; x < pixels->width; ++x) {
      ColorRef color = pixels->At(x, y);
      image.setPixel(x, y, qRgb(RedOf(color), GreenOf(color), BlueOf(color)));
    }
  }
  return QIcon(QPixmap::fromImage(image));
}

std::vector<QWidget*> ToolkitIconWindows() {
  std::vector<QWidget*> windows;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->inherits("QSystemTrayIconSys")) windows.push_back(widget);
  }
  return windows;
}

// The toolkit's window for the icon. The toolkit makes a new one whenever the tray host
// changes, so it is looked up each time: the only one there is, or the one where the
// toolkit says the icon is.
QWidget* IconWindowOf(const IconEntry& entry) {
  if (entry.hidden || !entry.icon->isVisible()) return nullptr;
  std::vector<QWidget*> windows = ToolkitIconWindows();
  if (windows.size() == 1 && entries.size() == 1) return windows[0];
  QRect where = entry.icon->geometry();
  if (!where.isValid()) return nullptr;
  for (QWidget* window : windows) {
    Rect rect;
    if (ui_detail::NativeScreenRect(window->winId(), rect) && rect.left == where.left() && rect.top == where.top() &&
        rect.Width() == where.width() && rect.Height() == where.height()) {
      return window;
    }
  }
  return nullptr;
}

void PostCallback(UiWindow window, unsigned int id, unsigned int callbackMessage,
                  std::initializer_list<unsigned int> mouseMessages) {
  if (callbackMessage == 0) return;
  for (unsigned int mouse : mouseMessages) PostMessage(window, callbackMessage, id, static_cast<LParam>(mouse));
}

void Connect(IconEntry& entry) {
  UiWindow window = entry.window;
  unsigned int id = entry.id;
  QObject::connect(entry.icon.get(), &QSystemTrayIcon::activated, [window, id](QSystemTrayIcon::ActivationReason reason) {
    IconEntry* current = FindEntry(window, id);
    if (current == nullptr) return;
    unsigned int message = current->callbackMessage;
    switch (reason) {
      case QSystemTrayIcon::Trigger: PostCallback(window, id, message, {WM_LBUTTONDOWN, WM_LBUTTONUP}); break;
      case QSystemTrayIcon::Context: PostCallback(window, id, message, {WM_RBUTTONDOWN, WM_RBUTTONUP}); break;
      case QSystemTrayIcon::DoubleClick: PostCallback(window, id, message, {WM_LBUTTONDBLCLK, WM_LBUTTONUP}); break;
      case QSystemTrayIcon::MiddleClick: PostCallback(window, id, message, {WM_MBUTTONDOWN, WM_MBUTTONUP}); break;
      default: break;
    }
  });
}

void Apply(IconEntry& entry, const NotifyIconData& data) {
  if (data.flags & NIF_MESSAGE) entry.callbackMessage = data.callbackMessage;
  if (data.flags & NIF_ICON) entry.icon->setIcon(ToQIcon(data.icon));
  if (data.flags & NIF_TIP) entry.icon->setToolTip(QString::fromStdWString(data.tip.substr(0, 127)));
  if ((data.flags & NIF_STATE) && (data.stateMask & NIS_HIDDEN)) entry.hidden = (data.state & NIS_HIDDEN) != 0;
}

void ShowBalloon(IconEntry& entry, const NotifyIconData& data) {
  if (!(data.flags & NIF_INFO) || data.info.empty() || entry.hidden) return;
  entry.icon->showMessage(QString::fromStdWString(data.infoTitle.substr(0, 63)),
                          QString::fromStdWString(data.info.substr(0, 255)), entry.icon->icon(),
                          static_cast<int>(data.timeout));
}

// Tells the windows that asked for icons when a tray host appears or is replaced.
class TrayHostWatch : public QObject {
 public:
  TrayHostWatch() : host_(ui_detail::CurrentTrayHost()) {
    timer_.setInterval(kTrayHostPollMs);
    QObject::connect(&timer_, &QTimer::timeout, this, [this]() { Poll(); });
    timer_.start();
  }

 private:
  void Poll() {
    ForgetGoneWindows();
    // A host that restarts quickly may get the same window id; the toolkit itself then
    // docks its icons again when the new host announces itself.
    std::uint64_t host = ui_detail::CurrentTrayHost();
    bool appeared = host != 0 && host != host_;
    host_ = host;
    if (!appeared) return;
    unsigned int message = RegisterWindowMessage(kTaskbarCreatedMessageName);
    for (UiWindow window : taskbarListeners) PostMessage(window, message);
  }

  std::uint64_t host_;
  QTimer timer_;
};

void WatchTrayHost(UiWindow window) {
  static TrayHostWatch* watch = nullptr;
  if (watch == nullptr) watch = new TrayHostWatch();
  if (std::find(taskbarListeners.begin(), taskbarListeners.end(), window) == taskbarListeners.end()) {
    taskbarListeners.push_back(window);
  }
}

}  // namespace

bool ShellNotifyIcon(unsigned int action, const NotifyIconData& data) {
  if (!ui_detail::EnsureUi()) return false;
  ForgetGoneWindows();
  IconEntry* entry = FindEntry(data.window, data.id);
  switch (action) {
    case NIM_ADD: {
      if (entry != nullptr || ui_detail::FindRecord(data.window) == nullptr) return false;
      WatchTrayHost(data.window);
      if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
      auto added = std::make_unique<IconEntry>();
      added->window = data.window;
      added->id = data.id;
      added->icon = std::make_unique<QSystemTrayIcon>();
      Apply(*added, data);
      Connect(*added);
      if (!added->hidden) added->icon->show();
      ShowBalloon(*added, data);
      entries.push_back(std::move(added));
      return true;
    }
    case NIM_MODIFY: {
      if (entry == nullptr) return false;
      Apply(*entry, data);
      if (entry->hidden) {
        entry->icon->hide();
      } else {
        entry->icon->show();
      }
      ShowBalloon(*entry, data);
      return true;
    }
    case NIM_DELETE: {
      if (entry == nullptr) return false;
      entry->icon->hide();
      entries.erase(std::find_if(entries.begin(), entries.end(), [entry](const auto& e) { return e.get() == entry; }));
      return true;
    }
    default: return false;
  }
}

namespace ui_detail {

QSystemTrayIcon* FindNotifyIcon(UiWindow window, unsigned int id) {
  IconEntry* entry = FindEntry(window, id);
  return entry != nullptr ? entry->icon.get() : nullptr;
}

QWidget* NotifyIconWidget(UiWindow window, unsigned int id) {
  IconEntry* entry = FindEntry(window, id);
  return entry != nullptr ? IconWindowOf(*entry) : nullptr;
}

std::vector<std::uint64_t> NotifyIconWindows() {
  std::vector<std::uint64_t> windows;
  for (auto& entry : entries) {
    if (QWidget* window = IconWindowOf(*entry)) windows.push_back(window->winId());
  }
  return windows;
}

}  // namespace ui_detail

}  // namespace platform
