// SPDX-License-Identifier: Apache-2.0
// Finds the window system that camscope's windows can open on, before the first window.
#include "window_system.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xcb/xcb.h>

#include <array>
#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <system_error>

namespace {

// NOLINT below: getenv and setenv are not thread-safe, but nothing else in camscope touches the
// environment, and Qt reads it only when the first window opens, after this.
std::string value_of(const char* name) {
  const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
  return value == nullptr ? std::string() : std::string(value);
}

// An empty variable counts as unset, as Qt and the window system libraries treat it.
bool is_set(const char* name) {
  const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
  return value != nullptr && *value != '\0';
}

// Whether a local X server listens for DISPLAY's display number, on its socket in the file system
// or in the abstract namespace, where the server itself may have refused the connection.
bool local_x_server_listens() {
  char* host = nullptr;
  int number = 0;
  if (xcb_parse_display(nullptr, &host, &number, nullptr) == 0) {
    return false;
  }
  const bool local = *host == '\0' || std::string(host) == "unix";
  free(host);  // NOLINT(cppcoreguidelines-no-malloc): libxcb allocated it with malloc
  if (!local) {
    return false;
  }
  // X servers listen there by convention, whatever the machine.
  const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
  for (const bool abstract : {false, true}) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path + (abstract ? 1 : 0), path.size());
    const socklen_t length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + (abstract ? 1 : 0));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool listens =
        fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    if (fd >= 0) {
      (void)close(fd);
    }
    if (listens) {
      return true;
    }
  }
  return false;
}

// Each attempt returns an empty string when the window system answered, else what went wrong.
std::string try_x() {
  int screen = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screen);
  const int error = xcb_connection_has_error(connection);
  // libxcb connects whatever screen DISPLAY names; Qt then aborts on one the server lacks.
  const int screens = error == 0 ? xcb_setup_roots_length(xcb_get_setup(connection)) : 0;
  xcb_disconnect(connection);
  if (error == 0 && screen < screens) {
    return "";
  }
  if (!is_set("DISPLAY")) {
    return "X: DISPLAY is not set";
  }
  const std::string display = "X display \"" + value_of("DISPLAY") + "\"";
  if (error == 0) {
    return display + ": the server has no screen " + std::to_string(screen) + " (it has " +
           std::to_string(screens) + ")";
  }
  switch (error) {
    case XCB_CONN_ERROR:
      return display + (local_x_server_listens()
                            ? ": the X server refused the connection (not authorized: check "
                              "XAUTHORITY, or ask the session's owner to allow it with xhost)"
                            : ": no X server answers there");
    case XCB_CONN_CLOSED_PARSE_ERR:
      return display + ": not a display name";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
      return display + ": the server has no such screen";
    default:
      return display + ": the connection failed (libxcb error " + std::to_string(error) + ")";
  }
}

std::string wayland_socket() {
  std::string name = is_set("WAYLAND_DISPLAY") ? value_of("WAYLAND_DISPLAY") : "wayland-0";
  if (name.front() == '/') {
    return name;
  }
  if (!is_set("XDG_RUNTIME_DIR")) {
    return name + " (XDG_RUNTIME_DIR is not set)";
  }
  return value_of("XDG_RUNTIME_DIR") + "/" + name;
}

std::string try_wayland() {
  // libwayland's own complaints would repeat, less clearly, what the message below says.
  wl_log_set_handler_client([](const char*, va_list) {});
  wl_display* display = wl_display_connect(nullptr);
  if (display != nullptr) {
    wl_display_disconnect(display);
    return "";
  }
  const int cause = errno;
  if (is_set("WAYLAND_SOCKET")) {
    return "Wayland socket given in WAYLAND_SOCKET: " + std::generic_category().message(cause);
  }
  return "Wayland socket " + wayland_socket() + ": " + std::generic_category().message(cause);
}

struct WindowSystem {
  const char* qt_platform;
  std::string (*attempt)();
};

constexpr WindowSystem kX{"xcb", try_x};
constexpr WindowSystem kWayland{"wayland", try_wayland};

}  // namespace

bool prepare_window_system(const char* program, std::ostream& err) {
  if (is_set("QT_QPA_PLATFORM")) {
    const std::string chosen = value_of("QT_QPA_PLATFORM");
    const std::string platform = chosen.substr(0, chosen.find(':'));  // options follow a colon
    const bool wayland = platform.rfind("wayland", 0) == 0;           // also wayland-egl etc.
    if (platform != "xcb" && !wayland) {
      return true;  // offscreen, vnc, ...: the user's choice, which camscope cannot check
    }
    const std::string failure = (wayland ? kWayland : kX).attempt();
    if (!failure.empty()) {
      err << program << ": cannot open windows on QT_QPA_PLATFORM=" << chosen << ": " << failure
          << "; run " << program << " in a desktop session, or unset QT_QPA_PLATFORM to let "
          << program << " find a window system\n";
    }
    return failure.empty();
  }

  const bool wayland_session = value_of("XDG_SESSION_TYPE") == "wayland";
  std::string failures;
  for (const WindowSystem& system :
       wayland_session ? std::array{kWayland, kX} : std::array{kX, kWayland}) {
    const std::string failure = system.attempt();
    if (failure.empty()) {
      // Qt's own choice tries X alone outside a Wayland session and aborts where it fails.
      setenv("QT_QPA_PLATFORM", system.qt_platform, 1);  // NOLINT(concurrency-mt-unsafe)
      return true;
    }
    failures += (failures.empty() ? "" : "; ") + failure;
  }
  err << program << ": no window system can be reached (" << failures << "); run " << program
      << " in a desktop session (X11 or Wayland), or point DISPLAY or WAYLAND_DISPLAY at a running "
         "one\n";
  return false;
}
