#include "platform/ui/display/X11Connection.h"

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>

namespace platform::ui_detail {

namespace {

// The screen DISPLAY names (":1.2" is screen 2), 0 when it names none.
int ScreenOfDisplay() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr) return 0;
  const char* colon = std::strrchr(display, ':');
  const char* dot = colon != nullptr ? std::strchr(colon, '.') : nullptr;
  return dot != nullptr ? std::atoi(dot + 1) : 0;
}

}  // namespace

void X11Connection::Closer::operator()(xcb_connection_t* connection) const {
  if (owned) xcb_disconnect(connection);
}

X11Connection::X11Connection(xcb_connection_t* connection, bool owned, int screen)
    : connection_(connection, Closer{owned}), screen_(screen) {
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int i = 0; i < screen && screens.rem > 0; ++i) xcb_screen_next(&screens);
  if (screens.rem > 0) root_ = screens.data->root;
}

std::optional<X11Connection> X11Connection::Open() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == 0) return std::nullopt;
  int screen = 0;
  xcb_connection_t* connection = xcb_connect(name, &screen);
  if (xcb_connection_has_error(connection) != 0) {
    xcb_disconnect(connection);
    return std::nullopt;
  }
  X11Connection opened(connection, true, screen);
  if (opened.root_ == XCB_WINDOW_NONE) return std::nullopt;
  return opened;
}

std::optional<X11Connection> X11Connection::OfToolkit() {
  if (qGuiApp == nullptr) return std::nullopt;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return std::nullopt;
  return X11Connection(x11->connection(), false, ScreenOfDisplay());
}

xcb_atom_t X11Connection::Atom(const char* name) const {
  xcb_intern_atom_cookie_t cookie = xcb_intern_atom(Get(), 1, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(Get(), cookie, nullptr);
  if (reply == nullptr) return XCB_ATOM_NONE;
  xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

std::optional<std::string> X11Connection::Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) const {
  if (property == XCB_ATOM_NONE) return std::nullopt;
  xcb_get_property_cookie_t cookie = xcb_get_property(Get(), 0, window, property, type, 0, 1 << 16);
  xcb_get_property_reply_t* reply = xcb_get_property_reply(Get(), cookie, nullptr);
  if (reply == nullptr) return std::nullopt;
  std::optional<std::string> value;
  if (reply->type != XCB_ATOM_NONE) {
    int length = xcb_get_property_value_length(reply);
    value = std::string(static_cast<const char*>(xcb_get_property_value(reply)), static_cast<std::size_t>(length));
  }
  std::free(reply);
  return value;
}

}  // namespace platform::ui_detail
