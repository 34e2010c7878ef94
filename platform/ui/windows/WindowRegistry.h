#pragma once
// Inside the UI layer only: the records behind UiWindow handles, the way from a toolkit
// widget back to its window, and the dialogs in modal runs. Not for program code.
#include <QEventLoop>
#include <QMenuBar>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/drawing/GdiHandles.h"
#include "platform/ui/drawing/Geometry.h"
#include "platform/ui/drawing/Resources.h"
#include "platform/ui/windows/WindowHandle.h"

namespace platform {
class Dialog;
}

namespace platform::ui_detail {

enum class WindowKind { Dialog, PushButton, StaticFrame, StaticText };

struct WindowRecord {
  UiWindow handle;
  WindowKind kind = WindowKind::Dialog;
  int controlId = 0;
  std::uint32_t style = 0;
  UiWindow parent;
  Dialog* owner = nullptr;
  ModuleHandle module = nullptr;
  QPointer<QWidget> frame;   // dialogs: the top-level widget; controls: the control
  QPointer<QWidget> client;  // dialogs: the client area below the menu bar; controls: the control
  QPointer<QMenuBar> menuBar;
  std::vector<UiWindow> children;
  QRegion pendingUpdate;
  bool pendingErase = false;
  QPaintEvent* paintEvent = nullptr;  // set while WM_PAINT is being handled
  bool topMost = false;
  // Dialogs without a sizing border keep the size the program gives them.
  bool fixedSize = false;
  // Where the whole window goes for its outer size (see KeepWindowPlaced).
  std::function<Point(int width, int height)> placement;
  // Another program's window this one stays above (see SetExternalOwner).
  std::unique_ptr<QWindow> externalOwner;
  IconHandle icons[2] = {nullptr, nullptr};
  // Modal runs.
  QEventLoop* modalLoop = nullptr;
  bool modalEnded = false;
  std::intptr_t modalResult = 0;
};

WindowRecord* FindRecord(UiWindow window);
UiWindow AddRecord(std::unique_ptr<WindowRecord> record);
void RemoveRecord(UiWindow window);
bool IsValidHandle(UiWindow window);  // any thread
// The window a widget belongs to (the nearest one up its parents).
UiWindow WindowOfWidget(const QObject* widget);
UiWindow TopLevelOf(UiWindow window);
// Marks a widget as belonging to the window.
void TagWidget(QWidget* widget, UiWindow window);

// Dialogs in modal runs, innermost last.
std::vector<UiWindow>& ModalStack();

}  // namespace platform::ui_detail
