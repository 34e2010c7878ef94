#include "platform/ui/NotificationArea.h"

#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/ui/MessagePump.h"
#include "platform/ui/TrayHost.h"

namespace platform {

namespace {

// The toolkit's own connection, so what we see agrees with what it has been told.
xcb_connection_t* Connection() {
  if (!ui_detail::EnsureUi()) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

// The screen DISPLAY names (":1.2" is screen 2), 0 when it names none.
int ScreenNumber() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr) return 0;
  const char* colon = std::strrchr(display, ':');
  const char* dot = colon != nullptr ? std::strchr(colon, '.') : nullptr;
  return dot != nullptr ? std::atoi(dot + 1) : 0;
}

xcb_window_t SelectionOwner(xcb_connection_t* connection) {
  std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(ScreenNumber());
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
  if (atom == nullptr) return XCB_WINDOW_NONE;
  xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return XCB_WINDOW_NONE;  // nobody ever made the name: no host
  xcb_get_selection_owner_reply_t* owner =
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
  if (owner == nullptr) return XCB_WINDOW_NONE;
  xcb_window_t window = owner->owner;
  std::free(owner);
  return window;
}

// The window's parent, or none when the window has gone.
xcb_window_t ParentOf(xcb_connection_t* connection, xcb_window_t window, xcb_window_t& root) {
  xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
  if (tree == nullptr) return XCB_WINDOW_NONE;
  xcb_window_t parent = tree->parent;
  root = tree->root;
  std::free(tree);
  return parent;
}

// The ancestor that is a child of the root window (the window itself when it is one).
xcb_window_t TopLevelAncestor(xcb_connection_t* connection, xcb_window_t window) {
  for (int depth = 0; depth < 64; ++depth) {
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_window_t parent = ParentOf(connection, window, root);
    if (parent == XCB_WINDOW_NONE) return XCB_WINDOW_NONE;
    if (parent == root) return window;
    window = parent;
  }
  return XCB_WINDOW_NONE;
}

bool IsViewable(xcb_connection_t* connection, xcb_window_t window) {
  xcb_get_window_attributes_reply_t* attributes =
      xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
  if (attributes == nullptr) return false;
  bool viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
  std::free(attributes);
  return viewable;
}

bool ScreenRect(xcb_connection_t* connection, xcb_window_t window, Rect& rect) {
  xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
  if (geometry == nullptr) return false;
  xcb_window_t root = geometry->root;
  int width = geometry->width;
  int height = geometry->height;
  std::free(geometry);
  xcb_translate_coordinates_reply_t* origin =
      xcb_translate_coordinates_reply(connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr);
  if (origin == nullptr) return false;
  rect = Rect{origin->dst_x, origin->dst_y, origin->dst_x + width, origin->dst_y + height};
  std::free(origin);
  return true;
}

// A panel to place against: mapped and more than the 1 x 1 of a hidden helper window.
bool PanelRect(xcb_connection_t* connection, xcb_window_t window, Rect& rect) {
  xcb_window_t panel = TopLevelAncestor(connection, window);
  if (panel == XCB_WINDOW_NONE || !IsViewable(connection, panel)) return false;
  Rect found;
  if (!ScreenRect(connection, panel, found) || found.Width() <= 1 || found.Height() <= 1) return false;
  rect = found;
  return true;
}

}  // namespace

bool GetNotificationAreaRect(Rect& rect) {
  xcb_connection_t* connection = Connection();
  if (connection == nullptr) return false;
  for (std::uint64_t icon : ui_detail::NotifyIconWindows()) {
    if (ui_detail::IsDockedWindow(icon) && PanelRect(connection, static_cast<xcb_window_t>(icon), rect)) return true;
  }
  xcb_window_t owner = SelectionOwner(connection);
  return owner != XCB_WINDOW_NONE && PanelRect(connection, owner, rect);
}

bool IsNotificationAreaAvailable() { return ui_detail::CurrentTrayHost() != 0; }

namespace ui_detail {

std::uint64_t CurrentTrayHost() {
  if (xcb_connection_t* connection = Connection()) return SelectionOwner(connection);
  return EnsureUi() && QSystemTrayIcon::isSystemTrayAvailable() ? 1 : 0;
}

bool NativeScreenRect(std::uint64_t nativeWindow, Rect& rect) {
  xcb_connection_t* connection = Connection();
  return connection != nullptr && nativeWindow != 0 && ScreenRect(connection, static_cast<xcb_window_t>(nativeWindow), rect);
}

bool IsDockedWindow(std::uint64_t nativeWindow) {
  xcb_connection_t* connection = Connection();
  if (connection == nullptr || nativeWindow == 0) return false;
  xcb_window_t root = XCB_WINDOW_NONE;
  xcb_window_t parent = ParentOf(connection, static_cast<xcb_window_t>(nativeWindow), root);
  return parent != XCB_WINDOW_NONE && parent != root && IsViewable(connection, static_cast<xcb_window_t>(nativeWindow));
}

}  // namespace ui_detail

}  // namespace platform
