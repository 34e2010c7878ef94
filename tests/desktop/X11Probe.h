#pragma once
// What a test asks the X server itself, as a window manager or a pager sees it: window
// properties, absolute geometry, the stacking of the top-level windows, the pixels on
// the screen, and requests to the window manager. Also openbox as the window manager
// and xdotool for real pointer clicks.
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/ChildProcess.h"
#include "platform/ui/windows/UiWindow.h"
#include "tests/VirtualDisplay.h"

namespace desktop_test {

class X11Probe {
 public:
  explicit X11Probe(const std::string& display) {
    int screen = 0;
    connection_.reset(xcb_connect(display.c_str(), &screen));
    if (!connection_ || xcb_connection_has_error(connection_.get())) return;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection_.get()));
    for (int i = 0; i < screen && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem > 0) root_ = screens.data->root;
  }
  bool Connected() const { return root_ != 0; }
  xcb_window_t Root() const { return root_; }

  xcb_atom_t Atom(const char* name) const {
    auto* reply = xcb_intern_atom_reply(
        connection_.get(), xcb_intern_atom(connection_.get(), 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
  }
  // A property of 32-bit items (atoms, windows, cardinals); empty when not set.
  std::vector<std::uint32_t> Values(xcb_window_t window, const char* property) const {
    std::vector<std::uint32_t> values;
    auto* reply = xcb_get_property_reply(
        connection_.get(), xcb_get_property(connection_.get(), 0, window, Atom(property), XCB_ATOM_ANY, 0, 4096), nullptr);
    if (reply != nullptr && reply->format == 32) {
      const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
      values.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return values;
  }
  // True once a window manager takes in a newly mapped window (gives it WM_STATE). A
  // window manager announces itself before its start-up is over, and a window mapped
  // in between may be left unmanaged, unmapped for good: each try maps a new one.
  bool WindowManagerTakesNewWindows() const {
    return corvane_test::WaitFor([&] { return TakesNewWindowWithin(1000); }, 30000);
  }
  bool TakesNewWindowWithin(int milliseconds) const {
    xcb_connection_t* connection = connection_.get();
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 16, 16, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(connection, window);
    xcb_flush(connection);
    const bool managed = corvane_test::WaitFor([&] { return !Values(window, "WM_STATE").empty(); }, milliseconds);
    xcb_destroy_window(connection, window);
    xcb_flush(connection);
    return managed;
  }
  bool HasAtom(xcb_window_t window, const char* property, const char* atom) const {
    for (std::uint32_t value : Values(window, property)) {
      if (value == Atom(atom)) return true;
    }
    return false;
  }
  // Screen rectangle of the window's own area (without a window manager's frame).
  platform::Rect Geometry(xcb_window_t window) const {
    platform::Rect rect;
    auto* geometry = xcb_get_geometry_reply(connection_.get(), xcb_get_geometry(connection_.get(), window), nullptr);
    auto* origin = xcb_translate_coordinates_reply(
        connection_.get(), xcb_translate_coordinates(connection_.get(), window, root_, 0, 0), nullptr);
    if (geometry != nullptr && origin != nullptr) {
      rect = platform::Rect{origin->dst_x, origin->dst_y, origin->dst_x + geometry->width, origin->dst_y + geometry->height};
    }
    std::free(geometry);
    std::free(origin);
    return rect;
  }
  // Screen rectangle of what the window covers with the window manager's frame, as
  // xwininfo -frame reports it: the window's ancestor that is a child of the root, its
  // border included. Without a window manager, the window itself.
  platform::Rect FrameRect(xcb_window_t window) const {
    const xcb_window_t frame = FrameWindow(window);
    platform::Rect rect;
    auto* geometry = xcb_get_geometry_reply(connection_.get(), xcb_get_geometry(connection_.get(), frame), nullptr);
    if (geometry != nullptr) {
      const int border = geometry->border_width;
      rect = platform::Rect{geometry->x, geometry->y, geometry->x + geometry->width + 2 * border,
                            geometry->y + geometry->height + 2 * border};
    }
    std::free(geometry);
    return rect;
  }
  // The window's ancestor that is a child of the root (the window itself unframed).
  xcb_window_t FrameWindow(xcb_window_t window) const {
    for (int depth = 0; depth < 64; ++depth) {
      auto* tree = xcb_query_tree_reply(connection_.get(), xcb_query_tree(connection_.get(), window), nullptr);
      if (tree == nullptr) return window;
      const xcb_window_t parent = tree->parent;
      std::free(tree);
      if (parent == root_ || parent == XCB_WINDOW_NONE) break;
      window = parent;
    }
    return window;
  }
  // The square pictures the window manager shows in the window's title bar (its icon and
  // its buttons, each a window of its own in openbox's frame): the viewable square
  // windows inside the frame above the window's own area.
  int TitleBarSquares(xcb_window_t window) const {
    const platform::Rect frame = FrameRect(window);
    const platform::Rect client = Geometry(window);
    int squares = 0;
    std::vector<xcb_window_t> pending{FrameWindow(window)};
    while (!pending.empty()) {
      const xcb_window_t at = pending.back();
      pending.pop_back();
      auto* tree = xcb_query_tree_reply(connection_.get(), xcb_query_tree(connection_.get(), at), nullptr);
      if (tree == nullptr) continue;
      const xcb_window_t* children = xcb_query_tree_children(tree);
      for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        if (children[i] == window) continue;
        auto* attributes = xcb_get_window_attributes_reply(
            connection_.get(), xcb_get_window_attributes(connection_.get(), children[i]), nullptr);
        const bool viewable = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (!viewable) continue;
        pending.push_back(children[i]);
        const platform::Rect rect = Geometry(children[i]);
        if (rect.Width() == rect.Height() && rect.Width() >= 6 && rect.top >= frame.top && rect.bottom <= client.top) {
          ++squares;
        }
      }
      std::free(tree);
    }
    return squares;
  }
  // The shown top-level window with the title (_NET_WM_NAME), as a pager finds it; 0
  // when there is none.
  xcb_window_t FindByTitle(const std::string& title) const {
    std::vector<std::uint32_t> windows = Values(root_, "_NET_CLIENT_LIST");
    if (windows.empty()) {
      // No window manager: the mapped children of the root.
      auto* tree = xcb_query_tree_reply(connection_.get(), xcb_query_tree(connection_.get(), root_), nullptr);
      if (tree != nullptr) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
          auto* attributes = xcb_get_window_attributes_reply(
              connection_.get(), xcb_get_window_attributes(connection_.get(), children[i]), nullptr);
          if (attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE) windows.push_back(children[i]);
          std::free(attributes);
        }
      }
      std::free(tree);
    }
    for (std::uint32_t window : windows) {
      if (Text(window, "_NET_WM_NAME") == title) return window;
    }
    return 0;
  }
  // A text property (UTF-8 or Latin-1 bytes as they are); empty when not set.
  std::string Text(xcb_window_t window, const char* property) const {
    std::string text;
    auto* reply = xcb_get_property_reply(
        connection_.get(), xcb_get_property(connection_.get(), 0, window, Atom(property), XCB_ATOM_ANY, 0, 4096), nullptr);
    if (reply != nullptr && reply->format == 8) {
      text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                  static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    }
    std::free(reply);
    return text;
  }
  // The mapped child of the root window that is on top of all others (for a managed
  // window: its frame), and whether window lies inside it.
  bool IsTopMost(xcb_window_t window) const {
    auto* tree = xcb_query_tree_reply(connection_.get(), xcb_query_tree(connection_.get(), root_), nullptr);
    if (tree == nullptr) return false;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    xcb_window_t top = 0;
    for (int i = xcb_query_tree_children_length(tree) - 1; i >= 0 && top == 0; --i) {
      auto* attributes = xcb_get_window_attributes_reply(
          connection_.get(), xcb_get_window_attributes(connection_.get(), children[i]), nullptr);
      auto* geometry = xcb_get_geometry_reply(connection_.get(), xcb_get_geometry(connection_.get(), children[i]), nullptr);
      // Tiny helper windows of the window manager do not cover anything.
      if (attributes != nullptr && geometry != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
          geometry->width > 2 && geometry->height > 2) {
        top = children[i];
      }
      std::free(attributes);
      std::free(geometry);
    }
    std::free(tree);
    for (xcb_window_t current = window; current != 0;) {
      if (current == top) return true;
      auto* up = xcb_query_tree_reply(connection_.get(), xcb_query_tree(connection_.get(), current), nullptr);
      current = up != nullptr && up->parent != root_ ? up->parent : 0;
      std::free(up);
    }
    return false;
  }
  // The top-most mapped window that the window manager does not manage (a pop-up menu).
  std::optional<platform::Rect> PopupRect() const {
    std::optional<platform::Rect> found;
    auto* tree = xcb_query_tree_reply(connection_.get(), xcb_query_tree(connection_.get(), root_), nullptr);
    if (tree == nullptr) return found;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = xcb_query_tree_children_length(tree) - 1; i >= 0 && !found; --i) {
      auto* attributes = xcb_get_window_attributes_reply(
          connection_.get(), xcb_get_window_attributes(connection_.get(), children[i]), nullptr);
      if (attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE && attributes->override_redirect) {
        const platform::Rect rect = Geometry(children[i]);
        if (rect.Width() > 2 && rect.Height() > 2) found = rect;
      }
      std::free(attributes);
    }
    std::free(tree);
    return found;
  }
  // The screen's pixels in the rectangle (0x00RRGGBB), row by row.
  std::vector<std::uint32_t> Pixels(const platform::Rect& rect) const {
    std::vector<std::uint32_t> pixels;
    auto* image = xcb_get_image_reply(
        connection_.get(),
        xcb_get_image(connection_.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, root_, static_cast<int16_t>(rect.left),
                      static_cast<int16_t>(rect.top), static_cast<uint16_t>(rect.Width()),
                      static_cast<uint16_t>(rect.Height()), ~0u),
        nullptr);
    if (image != nullptr && xcb_get_image_data_length(image) >= rect.Width() * rect.Height() * 4) {
      const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(image));
      for (int i = 0; i < rect.Width() * rect.Height(); ++i) pixels.push_back(data[i] & 0xFFFFFF);
    }
    std::free(image);
    return pixels;
  }
  // From now on the server tells the probe when a top-level window is unmapped (the
  // window manager's frames, and the unmap a client announces to the root window).
  void WatchTopLevelWindows() const {
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_.get(), root_, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection_.get());
  }
  // How many top-level windows were unmapped since the watch began. A shown window that
  // is unmapped and mapped again is, to other programs, a window that closed and a new
  // one (the toolkit may even make a new window for it).
  int UnmapsSinceWatch() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_.get())) {
      if ((event->response_type & 0x7F) == XCB_UNMAP_NOTIFY) ++unmaps_;
      std::free(event);
    }
    return unmaps_;
  }
  // Asks the window manager for a state change (_NET_WM_STATE), as a pager does.
  void RequestState(xcb_window_t window, const char* first, const char* second) const {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = Atom("_NET_WM_STATE");
    event.data.data32[0] = 1;  // add
    event.data.data32[1] = Atom(first);
    event.data.data32[2] = Atom(second);
    event.data.data32[3] = 2;  // from a pager
    xcb_send_event(connection_.get(), 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection_.get());
  }
  // Asks for a new size the way a program does (the window manager decides).
  void RequestSize(xcb_window_t window, std::uint32_t width, std::uint32_t height) const {
    const std::uint32_t values[] = {width, height};
    xcb_configure_window(connection_.get(), window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
    xcb_flush(connection_.get());
  }

 private:
  struct Closer {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
  };
  std::unique_ptr<xcb_connection_t, Closer> connection_;
  xcb_window_t root_ = 0;
  int unmaps_ = 0;
};

// Debian's openbox managing the display, gone with the object.
class WindowManager {
 public:
  bool Start(const std::string& display) {
    const std::string openbox = corvane_test::FindOnPath("openbox");
    if (openbox.empty()) return false;
    process_ = platform::ChildProcess::Start(
        "/bin/sh", {"-c", "DISPLAY=" + display + " exec \"" + openbox + "\" >/dev/null 2>&1"});
    X11Probe probe(display);
    return process_ && probe.Connected() &&
           corvane_test::WaitFor([&] { return !probe.Values(probe.Root(), "_NET_SUPPORTING_WM_CHECK").empty(); }, 10000) &&
           probe.WindowManagerTakesNewWindows();
  }
  ~WindowManager() {
    if (process_ && !process_->HasEnded()) {
      ::kill(static_cast<pid_t>(process_->ProcessId()), SIGTERM);
      process_->Wait(5000);
    }
  }

 private:
  std::optional<platform::ChildProcess> process_;
};

// A real pointer click at a screen point (through the XTEST extension), pressed and
// released as a hand would; false when xdotool cannot run.
inline bool ClickAt(const std::string& display, int x, int y) {
  const std::string xdotool = corvane_test::FindOnPath("xdotool");
  if (xdotool.empty()) return false;
  const std::string command = "DISPLAY=" + display + " \"" + xdotool + "\" mousemove --sync " + std::to_string(x) + " " +
                              std::to_string(y) + " sleep 0.2 mousedown 1 sleep 0.2 mouseup 1";
  std::optional<platform::ChildProcess> run = platform::ChildProcess::Start("/bin/sh", {"-c", command});
  return run && run->Wait(10000) && run->ExitCode() == 0;
}

inline constexpr char kNoWindowManager[] =
    "Xvfb, openbox or xdotool is missing or did not start (packages xvfb, openbox, xdotool)";

}  // namespace desktop_test
