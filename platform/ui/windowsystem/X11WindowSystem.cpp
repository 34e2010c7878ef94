#include "platform/ui/windowsystem/X11WindowSystem.h"

#include <QWidget>
#include <QWindow>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/TextCodec.h"

namespace platform::ui_detail {

namespace {

// Left, right, top and bottom, as the window manager sets them on the framed window.
constexpr char kFrameExtentsName[] = "_NET_FRAME_EXTENTS";
constexpr std::uint32_t kLargestFrameSide = 4096;

std::vector<xcb_window_t> WindowList(const std::string& bytes) {
  std::vector<xcb_window_t> windows(bytes.size() / sizeof(xcb_window_t));
  if (!windows.empty()) std::memcpy(windows.data(), bytes.data(), windows.size() * sizeof(xcb_window_t));
  return windows;
}

class X11WindowSystem : public DesktopWindowSystem {
 public:
  explicit X11WindowSystem(X11Connection connection) : x11_(std::move(connection)) {}

  std::vector<OtherWindow> OtherProgramsWindows() override {
    std::vector<OtherWindow> result;
    std::vector<xcb_window_t> windows = ClientWindows();
    xcb_atom_t netName = x11_.Atom("_NET_WM_NAME");
    xcb_atom_t utf8 = x11_.Atom("UTF8_STRING");
    xcb_atom_t netPid = x11_.Atom("_NET_WM_PID");
    std::uint32_t self = static_cast<std::uint32_t>(getpid());
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
      OtherWindow entry;
      entry.x11Window = *it;
      if (auto pid = x11_.Property(*it, netPid, XCB_ATOM_CARDINAL); pid && pid->size() >= 4) {
        std::memcpy(&entry.processId, pid->data(), 4);
      }
      if (entry.processId == self) continue;
      if (auto name = x11_.Property(*it, netName, utf8)) {
        entry.title = Utf8ToWide(*name);
      } else if (auto legacy = x11_.Property(*it, XCB_ATOM_WM_NAME, XCB_ATOM_ANY)) {
        entry.title = Utf8ToWide(*legacy);
      }
      result.push_back(entry);
    }
    return result;
  }

  bool BringToFront(std::uint32_t window) override {
    xcb_connection_t* connection = x11_.Get();
    const bool managed = ManagedWindows().has_value();
    if (managed) {
      // Source 2 (a pager) asks the window manager to honour the request.
      xcb_client_message_event_t event;
      std::memset(&event, 0, sizeof(event));
      event.response_type = XCB_CLIENT_MESSAGE;
      event.format = 32;
      event.window = window;
      event.type = x11_.Atom("_NET_ACTIVE_WINDOW");
      event.data.data32[0] = 2;
      event.data.data32[1] = XCB_CURRENT_TIME;
      xcb_void_cookie_t cookie = xcb_send_event_checked(
          connection, 0, x11_.Root(), XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
          reinterpret_cast<const char*>(&event));
      xcb_generic_error_t* error = xcb_request_check(connection, cookie);
      std::free(error);
      if (error != nullptr) return false;
    }
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_void_cookie_t raise = xcb_configure_window_checked(connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_generic_error_t* raiseError = xcb_request_check(connection, raise);
    bool raised = raiseError == nullptr;
    std::free(raiseError);
    if (!managed && raised) {
      xcb_void_cookie_t focus =
          xcb_set_input_focus_checked(connection, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
      std::free(xcb_request_check(connection, focus));
    }
    xcb_flush(connection);
    return raised || managed;
  }

  bool RequestClose(std::uint32_t window) override {
    // A window that takes the request names WM_DELETE_WINDOW in WM_PROTOCOLS, so both
    // atoms exist wherever the request can be answered.
    xcb_atom_t protocols = x11_.Atom("WM_PROTOCOLS");
    xcb_atom_t deleteWindow = x11_.Atom("WM_DELETE_WINDOW");
    if (protocols == XCB_ATOM_NONE || deleteWindow == XCB_ATOM_NONE) return false;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof(event));
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = protocols;
    event.data.data32[0] = deleteWindow;
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_void_cookie_t cookie =
        xcb_send_event_checked(x11_.Get(), 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_generic_error_t* error = xcb_request_check(x11_.Get(), cookie);
    bool sent = error == nullptr;
    std::free(error);
    xcb_flush(x11_.Get());
    return sent;
  }

  bool SetTransientOwner(QWidget& frame, std::unique_ptr<QWindow>& externalOwner, std::uint32_t owner) override {
    // The toolkit names a transient parent to the window manager only for dialogs.
    if (!frame.testAttribute(Qt::WA_WState_Created)) {
      frame.setWindowFlags((frame.windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
    }
    frame.winId();  // the native window must exist to carry the owner
    QWindow* native = frame.windowHandle();
    if (native == nullptr) return false;
    externalOwner.reset(QWindow::fromWinId(owner));
    if (!externalOwner) return false;
    native->setTransientParent(externalOwner.get());
    return true;
  }

  void OfferFixedSizeActions(QWidget* frame, bool minimise) override {
    // A window manager decides itself what it offers (_NET_WM_ALLOWED_ACTIONS). openbox
    // takes the fixed size (minimum = maximum in WM_NORMAL_HINTS) as no resize and no
    // maximise, yet for a window of the normal or dialog type it still draws a
    // maximise button (one that does nothing) and offers full screen; the Motif hints
    // leave both alone. Only the window type takes them away: a toolbar is offered
    // moving and closing only, a utility window keeps minimise.
    QWindow* native = frame != nullptr ? frame->windowHandle() : nullptr;
    if (native == nullptr || frame->internalWinId() == 0) return;
    // The toolkit writes the type anew whenever the window's flags change, and takes
    // this property in each time (its values: 0x8 toolbar, 0x20 utility).
    native->setProperty("_q_xcb_wm_window_type", minimise ? 0x20 : 0x8);
    std::vector<xcb_atom_t> types{x11_.Atom(minimise ? "_NET_WM_WINDOW_TYPE_UTILITY" : "_NET_WM_WINDOW_TYPE_TOOLBAR")};
    if ((native->flags() & Qt::WindowType_Mask) == Qt::Dialog) types.push_back(x11_.Atom("_NET_WM_WINDOW_TYPE_DIALOG"));
    types.push_back(x11_.Atom("_NET_WM_WINDOW_TYPE_NORMAL"));
    const xcb_atom_t property = x11_.Atom("_NET_WM_WINDOW_TYPE");
    for (xcb_atom_t atom : types) {
      if (atom == XCB_ATOM_NONE) return;  // the toolkit makes them all at its start
    }
    if (property == XCB_ATOM_NONE) return;
    xcb_change_property(x11_.Get(), XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(frame->internalWinId()),
                        property, XCB_ATOM_ATOM, 32, static_cast<std::uint32_t>(types.size()), types.data());
  }

  bool GetFrameExtents(std::uint64_t nativeWindow, FrameExtents& extents) override {
    if (nativeWindow == 0) return false;
    const auto bytes =
        x11_.Property(static_cast<xcb_window_t>(nativeWindow), x11_.Atom(kFrameExtentsName), XCB_ATOM_CARDINAL);
    std::uint32_t values[4];
    if (!bytes || bytes->size() != sizeof values) return false;
    std::memcpy(values, bytes->data(), sizeof values);
    // A side thicker than any screen is no frame but a broken property.
    for (std::uint32_t value : values) {
      if (value > kLargestFrameSide) return false;
    }
    extents = FrameExtents{static_cast<int>(values[0]), static_cast<int>(values[1]), static_cast<int>(values[2]),
                           static_cast<int>(values[3])};
    return true;
  }

  std::uint64_t TrayHost() override {
    std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(x11_.ScreenNumber());
    xcb_atom_t selection = x11_.Atom(name.c_str());
    if (selection == XCB_ATOM_NONE) return XCB_WINDOW_NONE;  // nobody ever made the name: no host
    xcb_connection_t* connection = x11_.Get();
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    if (owner == nullptr) return XCB_WINDOW_NONE;
    xcb_window_t window = owner->owner;
    std::free(owner);
    return window;
  }

  bool IsDocked(std::uint64_t nativeWindow) override {
    if (nativeWindow == 0) return false;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_window_t parent = ParentOf(static_cast<xcb_window_t>(nativeWindow), root);
    return parent != XCB_WINDOW_NONE && parent != root && IsViewable(static_cast<xcb_window_t>(nativeWindow));
  }

  bool ScreenRect(std::uint64_t nativeWindow, Rect& rect) override {
    return nativeWindow != 0 && WindowScreenRect(static_cast<xcb_window_t>(nativeWindow), rect);
  }

  bool NotificationAreaRect(const std::vector<std::uint64_t>& iconWindows, Rect& rect) override {
    for (std::uint64_t icon : iconWindows) {
      if (IsDocked(icon) && PanelRect(static_cast<xcb_window_t>(icon), rect)) return true;
    }
    std::uint64_t owner = TrayHost();
    return owner != XCB_WINDOW_NONE && PanelRect(static_cast<xcb_window_t>(owner), rect);
  }

 private:
  // Bottom-to-top list of the desktop's top-level windows as a window manager publishes
  // it; nothing when no window manager runs.
  std::optional<std::vector<xcb_window_t>> ManagedWindows() const {
    for (const char* name : {"_NET_CLIENT_LIST_STACKING", "_NET_CLIENT_LIST"}) {
      if (auto bytes = x11_.Property(x11_.Root(), x11_.Atom(name), XCB_ATOM_WINDOW)) return WindowList(*bytes);
    }
    return std::nullopt;
  }

  // Bottom-to-top list of the desktop's top-level windows.
  std::vector<xcb_window_t> ClientWindows() const {
    if (auto managed = ManagedWindows()) return *managed;
    // No window manager: the mapped children of the root are the top-level windows.
    xcb_connection_t* connection = x11_.Get();
    std::vector<xcb_window_t> result;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, x11_.Root()), nullptr);
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

  // The window's parent, or none when the window has gone.
  xcb_window_t ParentOf(xcb_window_t window, xcb_window_t& root) const {
    xcb_connection_t* connection = x11_.Get();
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    if (tree == nullptr) return XCB_WINDOW_NONE;
    xcb_window_t parent = tree->parent;
    root = tree->root;
    std::free(tree);
    return parent;
  }

  // The ancestor that is a child of the root window (the window itself when it is one).
  xcb_window_t TopLevelAncestor(xcb_window_t window) const {
    for (int depth = 0; depth < 64; ++depth) {
      xcb_window_t root = XCB_WINDOW_NONE;
      xcb_window_t parent = ParentOf(window, root);
      if (parent == XCB_WINDOW_NONE) return XCB_WINDOW_NONE;
      if (parent == root) return window;
      window = parent;
    }
    return XCB_WINDOW_NONE;
  }

  bool IsViewable(xcb_window_t window) const {
    xcb_connection_t* connection = x11_.Get();
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    if (attributes == nullptr) return false;
    bool viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return viewable;
  }

  bool WindowScreenRect(xcb_window_t window, Rect& rect) const {
    xcb_connection_t* connection = x11_.Get();
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
  bool PanelRect(xcb_window_t window, Rect& rect) const {
    xcb_window_t panel = TopLevelAncestor(window);
    if (panel == XCB_WINDOW_NONE || !IsViewable(panel)) return false;
    Rect found;
    if (!WindowScreenRect(panel, found) || found.Width() <= 1 || found.Height() <= 1) return false;
    rect = found;
    return true;
  }

  X11Connection x11_;
};

}  // namespace

std::unique_ptr<DesktopWindowSystem> MakeX11WindowSystem(X11Connection connection) {
  return std::make_unique<X11WindowSystem>(std::move(connection));
}

bool IsFrameExtentsChange(const QByteArray& eventType, const void* message) {
  if (eventType != "xcb_generic_event_t" || message == nullptr) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
  // Atoms stay for the server's lifetime, and the toolkit talks to one server.
  static xcb_atom_t frameExtents = XCB_ATOM_NONE;
  if (frameExtents == XCB_ATOM_NONE) {
    std::optional<X11Connection> toolkit = X11Connection::OfToolkit();
    if (!toolkit) return false;
    frameExtents = toolkit->Atom(kFrameExtentsName);
  }
  return frameExtents != XCB_ATOM_NONE &&
         reinterpret_cast<const xcb_property_notify_event_t*>(event)->atom == frameExtents;
}

}  // namespace platform::ui_detail
