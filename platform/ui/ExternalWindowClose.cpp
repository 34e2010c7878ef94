#include "platform/ui/ExternalWindowClose.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {

struct ConnectionCloser {
  void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  if (reply == nullptr) return XCB_ATOM_NONE;
  xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

}  // namespace

bool RequestWindowClose(const TopLevelWindow& window) {
  if (window.own) return PostMessage(window.own, WM_CLOSE);
  if (window.x11Window == 0) return false;
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == 0) return false;
  std::unique_ptr<xcb_connection_t, ConnectionCloser> connection(xcb_connect(name, nullptr));
  if (!connection || xcb_connection_has_error(connection.get())) return false;
  xcb_atom_t protocols = InternAtom(connection.get(), "WM_PROTOCOLS");
  xcb_atom_t deleteWindow = InternAtom(connection.get(), "WM_DELETE_WINDOW");
  if (protocols == XCB_ATOM_NONE || deleteWindow == XCB_ATOM_NONE) return false;
  xcb_client_message_event_t event;
  std::memset(&event, 0, sizeof(event));
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window.x11Window;
  event.type = protocols;
  event.data.data32[0] = deleteWindow;
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_void_cookie_t cookie =
      xcb_send_event_checked(connection.get(), 0, window.x11Window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
  xcb_generic_error_t* error = xcb_request_check(connection.get(), cookie);
  bool sent = error == nullptr;
  std::free(error);
  xcb_flush(connection.get());
  return sent;
}

}  // namespace platform
