#include "platform/ui/testing/WindowInspection.h"

#include <QApplication>
#include <QPushButton>

#include "platform/ui/windows/MessagePump.h"
#include "platform/ui/windows/WindowRegistry.h"
#include "platform/ui/windows/WindowWidgets.h"

namespace platform {

using ui_detail::FindRecord;
using ui_detail::WindowKind;
using ui_detail::WindowRecord;

int GetDlgCtrlID(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  return record != nullptr ? record->controlId : 0;
}

UiWindow GetParent(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  return record != nullptr ? record->parent : UiWindow();
}

std::wstring GetWindowText(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->frame) return std::wstring();
  if (record->kind == WindowKind::Dialog) return record->frame->windowTitle().toStdWString();
  if (auto* button = qobject_cast<QPushButton*>(record->frame.data())) return button->text().toStdWString();
  return record->frame->property("text").toString().toStdWString();
}

bool IsWindowVisible(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  return record != nullptr && record->frame && record->frame->isVisible();
}

bool IsTopMost(UiWindow window) {
  WindowRecord* record = FindRecord(window);
  return record != nullptr && record->topMost;
}

bool ClientToScreen(UiWindow window, Point& point) {
  WindowRecord* record = FindRecord(window);
  if (record == nullptr || !record->client) return false;
  QPoint mapped = record->client->mapToGlobal(QPoint(point.x, point.y));
  point = Point{mapped.x(), mapped.y()};
  return true;
}

UiWindow GetActiveWindow() {
  if (!ui_detail::EnsureUi()) return UiWindow();
  return ui_detail::WindowOfWidget(QApplication::activeWindow());
}

CursorHandle GetCursor() { return ui_detail::CurrentCursor(); }


}  // namespace platform
