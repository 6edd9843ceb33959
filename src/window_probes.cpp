// SPDX-License-Identifier: Apache-2.0
// Whether the X server and the Wayland compositor answer, asked through their own libraries.
#include "window_probes.hpp"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "environment.hpp"
#include "quoted.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

namespace {

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

// A server that takes the connection and then says nothing (stopped, or hung) would hold the
// probe, and then Qt, for ever.
WaitGuard guard_answer(const std::string& who, std::chrono::milliseconds limit, Watchdog& watchdog,
                       const char* variable) {
  return WaitGuard(watchdog, limit, who + " does not answer (no reply in ",
                   std::string("); check that its server is running, not stopped or hung, or "
                               "point ") +
                       variable + " at another one");
}

// Why the socket inherited in WAYLAND_SOCKET cannot serve, or "".
std::string inherited_wayland_problem() {
  char* end = nullptr;
  const std::string text = value_of("WAYLAND_SOCKET");
  const long fd = std::strtol(text.c_str(), &end, 10);
  struct stat info {};
  if (*end != '\0' || fd < 0 || fd > INT_MAX || fstat(static_cast<int>(fd), &info) != 0 ||
      !S_ISSOCK(info.st_mode)) {
    return wayland_socket() + ": " + quoted(text) + " is no open socket";
  }
  pollfd hung_up{static_cast<int>(fd), 0, 0};
  if (poll(&hung_up, 1, 0) == 1 && (hung_up.revents & (POLLHUP | POLLERR)) != 0) {
    return wayland_socket() + ": the compositor has closed it";
  }
  return "";
}

}  // namespace

std::string x_display() {
  return is_set("DISPLAY") ? "X display \"" + quoted(value_of("DISPLAY")) + "\"" : "X";
}

std::string wayland_socket() {
  if (is_set("WAYLAND_SOCKET")) {
    return "Wayland socket given in WAYLAND_SOCKET";
  }
  std::string name = is_set("WAYLAND_DISPLAY") ? value_of("WAYLAND_DISPLAY") : "wayland-0";
  if (name.front() != '/') {
    if (!is_set("XDG_RUNTIME_DIR")) {
      return "Wayland socket " + quoted(name) + " (XDG_RUNTIME_DIR is not set)";
    }
    name = value_of("XDG_RUNTIME_DIR") + "/" + name;
  }
  return "Wayland socket " + quoted(name);
}

XConnection::~XConnection() {
  keep(nullptr);
}

void XConnection::keep(xcb_connection_t* connection) {
  if (connection_ != nullptr) {
    xcb_disconnect(connection_);
  }
  connection_ = connection;
}

std::string x_answers(std::chrono::milliseconds limit, Watchdog& watchdog, XConnection& kept) {
  int screen = 0;
  xcb_connection_t* connection = nullptr;
  int error = 0;
  {
    const WaitGuard guard = guard_answer(x_display(), limit, watchdog, "DISPLAY");
    // A bare X server (Xvfb) starts afresh when its last client leaves, and meanwhile turns away
    // new connections: a refusal is tried again.
    for (int tries = 1;; tries++) {
      connection = xcb_connect(nullptr, &screen);
      error = xcb_connection_has_error(connection);
      if (error != XCB_CONN_ERROR || tries == kXTries) {
        break;
      }
      xcb_disconnect(connection);
      std::this_thread::sleep_for(kXRetryPause);
    }
  }
  if (error == 0) {
    kept.keep(connection);
    return "";
  }
  xcb_disconnect(connection);
  if (!is_set("DISPLAY")) {
    return "X: DISPLAY is not set";
  }
  const std::string display = x_display();
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

std::string wayland_answers(std::chrono::milliseconds limit, Watchdog& watchdog) {
  if (is_set("WAYLAND_SOCKET")) {
    return inherited_wayland_problem();
  }
  // libwayland's own complaints would repeat, less clearly, what the message below says.
  wl_log_set_handler_client([](const char*, va_list) {});
  const WaitGuard guard = guard_answer(wayland_socket(), limit, watchdog, "WAYLAND_DISPLAY");
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    return wayland_socket() + ": " + std::generic_category().message(errno);
  }
  const bool answered = wl_display_roundtrip(display) >= 0;
  const int cause = errno;
  wl_display_disconnect(display);
  return answered ? "" : wayland_socket() + ": " + std::generic_category().message(cause);
}
