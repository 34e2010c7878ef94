#pragma once
// Inside the UI layer only: one connection to the X server, with the atom and property
// helpers every X11 caller of the layer uses. Not for program code.
#include <xcb/xcb.h>

#include <memory>
#include <optional>
#include <string>

namespace platform::ui_detail {

class X11Connection {
 public:
  // A connection of our own to the server DISPLAY names; nothing when DISPLAY is unset,
  // the server does not answer or has no such screen.
  static std::optional<X11Connection> Open();
  // The toolkit's own connection while it draws on X11, so what is seen agrees with what
  // the toolkit has been told; nothing on any other platform.
  static std::optional<X11Connection> OfToolkit();

  xcb_connection_t* Get() const { return connection_.get(); }
  xcb_window_t Root() const { return root_; }
  int ScreenNumber() const { return screen_; }
  // The atom of the name, or XCB_ATOM_NONE when no client has ever made it.
  xcb_atom_t Atom(const char* name) const;
  // The property's raw bytes, or nothing when the window does not have it.
  std::optional<std::string> Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) const;

 private:
  struct Closer {
    bool owned = true;
    void operator()(xcb_connection_t* connection) const;
  };
  X11Connection(xcb_connection_t* connection, bool owned, int screen);

  std::unique_ptr<xcb_connection_t, Closer> connection_;
  int screen_ = 0;
  xcb_window_t root_ = XCB_WINDOW_NONE;
};

}  // namespace platform::ui_detail
