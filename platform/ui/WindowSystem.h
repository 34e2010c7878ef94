#pragma once
// Inside the UI layer only: the records behind UiWindow handles, the Qt widgets that
// carry them and the road every message takes. Not for program code.
#include <QEventLoop>
#include <QMenuBar>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Dialog.h"
#include "platform/ui/GdiHandles.h"
#include "platform/ui/Resources.h"
#include "platform/ui/UiWindow.h"

namespace platform {

// Lets the window layer reach a dialog object's protected message handling.
class DialogDispatch {
 public:
  static bool Process(Dialog& dialog, UiWindow window, unsigned int message, WParam wParam, LParam lParam,
                      LResult& result);
  static void Final(Dialog& dialog, UiWindow window);
};

}  // namespace platform

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
  // Another program's window this one stays above (see SetExternalOwner).
  std::unique_ptr<QWindow> externalOwner;
  IconHandle icons[2] = {nullptr, nullptr};
  // Modal runs.
  QEventLoop* modalLoop = nullptr;
  bool modalEnded = false;
  std::intptr_t modalResult = 0;
};

// True when the toolkit can start: a platform other than X11 was chosen, or DISPLAY
// names an X server that takes a connection. Else false with the reason.
bool DisplayAvailable(std::string& reason);
// Starts the toolkit if needed; false when it cannot run on this thread or there is no
// display to run on.
bool EnsureUi();
WindowRecord* FindRecord(UiWindow window);
UiWindow AddRecord(std::unique_ptr<WindowRecord> record);
void RemoveRecord(UiWindow window);
bool IsValidHandle(UiWindow window);  // any thread
// The window a widget belongs to (the nearest one up its parents).
UiWindow WindowOfWidget(const QObject* widget);
UiWindow TopLevelOf(UiWindow window);
// Marks a widget as belonging to the window.
void TagWidget(QWidget* widget, UiWindow window);

// The window procedure: the owner object's map, then default handling.
LResult Dispatch(UiWindow window, unsigned int message, WParam wParam, LParam lParam, bool* handled = nullptr);
// Input and posted messages: the loop's filters, the modal dialog's keyboard handling,
// then Dispatch. True when something used the message up (filter or handler).
bool RouteMessage(UiMessage& message);

// Gives a top-level window the size of its client area plus menu bar; a window of a
// fixed size keeps it against the user and the window manager.
void SizeFrame(WindowRecord& record, int width, int height);

// Builds the widgets of a dialog template; the record is registered and returned.
UiWindow BuildDialog(Dialog* owner, ModuleHandle module, const DialogTemplate& dialogTemplate, UiWindow parent);

// The window that gets SetCursor's cursor.
void NoteMouseWindow(UiWindow window);
void ApplyCursorTo(QWidget* widget);

// Modal runs, innermost last.
std::vector<UiWindow>& ModalStack();
// Loops running MessageLoop::Run, innermost last.
std::vector<QEventLoop*>& RunningLoops();

CursorHandle SwapCursor(CursorHandle cursor);
CursorHandle CurrentCursor();
void ApplyWindowIcon(QWidget* widget, IconHandle icon);
QObject* Pump();
void PostToPump(const UiMessage& message);
void WakeForIdle();
// A WM_QUIT that arrived while no loop ran.
std::optional<int> TakePendingQuit();

unsigned int KeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

}  // namespace platform::ui_detail
