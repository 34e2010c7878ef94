#include "platform/ui/ExternalWindows.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/core/TextCodec.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WindowRegistry.h"

namespace platform {

namespace {

struct ConnectionCloser {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

struct X11Display {
  Connection connection;
  xcb_window_t root = 0;
};

std::optional<X11Display> OpenDisplay() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == 0) return std::nullopt;
  int screenNumber = 0;
  Connection connection(xcb_connect(name, &screenNumber));
  if (!connection || xcb_connection_has_error(connection.get())) return std::nullopt;
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem == 0) return std::nullopt;
  X11Display display;
  display.root = screens.data->root;
  display.connection = std::move(connection);
  return display;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 1, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  if (reply == nullptr) return XCB_ATOM_NONE;
  xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

// The property's raw bytes, or nothing when the window does not have it.
std::optional<std::string> Property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                                    xcb_atom_t type) {
  if (property == XCB_ATOM_NONE) return std::nullopt;
  xcb_get_property_cookie_t cookie = xcb_get_property(connection, 0, window, property, type, 0, 1 << 16);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
  if (reply == nullptr) return std::nullopt;
  std::optional<std::string> value;
  if (reply->type != XCB_ATOM_NONE) {
    int length = xcb_get_property_value_length(reply);
    value = std::string(static_cast<const char*>(xcb_get_property_value(reply)), static_cast<std::size_t>(length));
  }
  std::free(reply);
  return value;
}

std::vector<xcb_window_t> WindowList(const std::string& bytes) {
  std::vector<xcb_window_t> windows(bytes.size() / sizeof(xcb_window_t));
  if (!windows.empty()) std::memcpy(windows.data(), bytes.data(), windows.size() * sizeof(xcb_window_t));
  return windows;
}

// Bottom-to-top list of the desktop's top-level windows.
std::vector<xcb_window_t> ClientWindows(const X11Display& display, bool& managed) {
  xcb_connection_t* connection = display.connection.get();
  managed = true;
  for (const char* name : {"_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST"}) {
    if (auto bytes = Property(connection, display.root, Atom(connection, name), XCB_ATOM_WINDOW)) return WindowList(*bytes);
  }
  // No window manager: the mapped children of the root are the top-level windows.
  managed = false;
  std::vector<xcb_window_t> result;
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, display.root), nullptr);
  if (tree == nullptr) return result;
  xcb_window_t* children = xcb_query_tree_children(tree);
  int count = xcb_query_tree_children_length(tree);
  for (int i = 0; i < count; ++i) {
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr);
    if (attributes == nullptr) continue;
    bool shown = attributes->map_state == XCB_MAP_STATE_VIEWABLE && !attributes->override_redirect;
    std::free(attributes);
    if (shown) result.push_back(children[i]);
  }
  std::free(tree);
  return result;
}

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
  std::optional<X11Display> display = OpenDisplay();
  if (!display) return result;
  xcb_connection_t* connection = display->connection.get();
  bool managed = false;
  std::vector<xcb_window_t> windows = ClientWindows(*display, managed);
  xcb_atom_t netName = Atom(connection, "_NET_WM_NAME");
  xcb_atom_t utf8 = Atom(connection, "UTF8_STRING");
  xcb_atom_t netPid = Atom(connection, "_NET_WM_PID");
  std::uint32_t self = static_cast<std::uint32_t>(getpid());
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    TopLevelWindow entry;
    entry.x11Window = *it;
    if (auto pid = Property(connection, *it, netPid, XCB_ATOM_CARDINAL); pid && pid->size() >= 4) {
      std::memcpy(&entry.processId, pid->data(), 4);
    }
    // This program's own windows are listed from its own records.
    if (entry.processId == self) continue;
    if (auto name = Property(connection, *it, netName, utf8)) {
      entry.title = Utf8ToWide(*name);
    } else if (auto legacy = Property(connection, *it, XCB_ATOM_WM_NAME, XCB_ATOM_ANY)) {
      entry.title = Utf8ToWide(*legacy);
    }
    result.push_back(entry);
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
  if (owner.x11Window == 0 || QGuiApplication::platformName() != QLatin1String("xcb")) return false;
  // The toolkit names a transient parent to the window manager only for dialogs.
  if (!record->frame->testAttribute(Qt::WA_WState_Created)) {
    record->frame->setWindowFlags((record->frame->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
  }
  record->frame->winId();  // the native window must exist to carry the owner
  QWindow* native = record->frame->windowHandle();
  if (native == nullptr) return false;
  record->externalOwner.reset(QWindow::fromWinId(owner.x11Window));
  if (!record->externalOwner) return false;
  native->setTransientParent(record->externalOwner.get());
  return true;
}

bool SetForegroundWindow(const TopLevelWindow& window) {
  if (window.own) return SetForegroundWindow(window.own);
  if (window.x11Window == 0) return false;
  std::optional<X11Display> display = OpenDisplay();
  if (!display) return false;
  xcb_connection_t* connection = display->connection.get();
  bool managed = false;
  ClientWindows(*display, managed);
  if (managed) {
    // Source 2 (a pager) asks the window manager to honour the request.
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof(event));
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window.x11Window;
    event.type = Atom(connection, "_NET_ACTIVE_WINDOW");
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_void_cookie_t cookie = xcb_send_event_checked(
        connection, 0, display->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
        reinterpret_cast<const char*>(&event));
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    std::free(error);
    if (error != nullptr) return false;
  }
  const uint32_t above = XCB_STACK_MODE_ABOVE;
  xcb_void_cookie_t raise = xcb_configure_window_checked(connection, window.x11Window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
  xcb_generic_error_t* raiseError = xcb_request_check(connection, raise);
  bool raised = raiseError == nullptr;
  std::free(raiseError);
  if (!managed && raised) {
    xcb_void_cookie_t focus =
        xcb_set_input_focus_checked(connection, XCB_INPUT_FOCUS_POINTER_ROOT, window.x11Window, XCB_CURRENT_TIME);
    std::free(xcb_request_check(connection, focus));
  }
  xcb_flush(connection);
  return raised || managed;
}

}  // namespace platform
