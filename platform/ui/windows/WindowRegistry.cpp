#include "platform/ui/windows/WindowRegistry.h"

#include <atomic>
#include <map>
#include <mutex>

namespace platform::ui_detail {

namespace {

const char kWindowProperty[] = "corvaneWindow";

std::mutex registryMutex;
std::map<std::uint64_t, std::unique_ptr<WindowRecord>> registry;
std::atomic<std::uint64_t> nextHandle{1};

}  // namespace

WindowRecord* FindRecord(UiWindow window) {
  std::lock_guard<std::mutex> lock(registryMutex);
  auto found = registry.find(window.Value());
  return found == registry.end() ? nullptr : found->second.get();
}

UiWindow AddRecord(std::unique_ptr<WindowRecord> record) {
  UiWindow handle(nextHandle++);
  record->handle = handle;
  std::lock_guard<std::mutex> lock(registryMutex);
  registry[handle.Value()] = std::move(record);
  return handle;
}

void RemoveRecord(UiWindow window) {
  std::unique_ptr<WindowRecord> removed;
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    auto found = registry.find(window.Value());
    if (found == registry.end()) return;
    removed = std::move(found->second);
    registry.erase(found);
  }
}

bool IsValidHandle(UiWindow window) {
  std::lock_guard<std::mutex> lock(registryMutex);
  return registry.count(window.Value()) != 0;
}

void TagWidget(QWidget* widget, UiWindow window) {
  widget->setProperty(kWindowProperty, QVariant::fromValue<qulonglong>(window.Value()));
}

UiWindow WindowOfWidget(const QObject* widget) {
  for (const QObject* object = widget; object != nullptr; object = object->parent()) {
    QVariant value = object->property(kWindowProperty);
    if (value.isValid()) {
      UiWindow window(value.toULongLong());
      if (IsValidHandle(window)) return window;
      return UiWindow();
    }
  }
  return UiWindow();
}

UiWindow TopLevelOf(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  while (record != nullptr && record->parent && record->kind != WindowKind::Dialog) {
    window = record->parent;
    record = FindRecord(window);
  }
  return record != nullptr ? window : UiWindow();
}

std::vector<UiWindow>& ModalStack() {
  static std::vector<UiWindow> stack;
  return stack;
}

}  // namespace platform::ui_detail
