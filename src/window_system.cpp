// SPDX-License-Identifier: Apache-2.0
// Finds the window system that camscope's windows can open on, before the first window.
#include "window_system.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QJsonArray>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "deadline.hpp"

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

std::string x_display() {
  return is_set("DISPLAY") ? "X display \"" + value_of("DISPLAY") + "\"" : "X";
}

std::string wayland_socket() {
  if (is_set("WAYLAND_SOCKET")) {
    return "Wayland socket given in WAYLAND_SOCKET";
  }
  std::string name = is_set("WAYLAND_DISPLAY") ? value_of("WAYLAND_DISPLAY") : "wayland-0";
  if (name.front() != '/') {
    name = is_set("XDG_RUNTIME_DIR") ? value_of("XDG_RUNTIME_DIR") + "/" + name
                                     : name + " (XDG_RUNTIME_DIR is not set)";
  }
  return "Wayland socket " + name;
}

// A server that takes the connection and then says nothing (stopped, or hung) would hold the
// probe, and then Qt, for ever.
struct AnswerDeadline {
  AnswerDeadline(const std::string& who, std::chrono::milliseconds limit, const char* which)
      : before(who + " does not answer (no reply in "),
        after(std::string("); check that its server is running, not stopped or hung, or point ") +
              which + " at another one"),
        deadline(std::chrono::steady_clock::now(), limit, before, after) {}
  const std::string before, after;
  const WaitDeadline deadline;
};

struct WindowSystem {
  const char* name;
  const char* qt_platform;
  const char* qt_package;  // the Debian package of Qt's platform plug-in
  std::function<std::string()> WindowSystemProbes::*probe;
};

const WindowSystem kX{"X", "xcb", "libqt5gui5", &WindowSystemProbes::x};
const WindowSystem kWayland{"Wayland", "wayland", "qtwayland5", &WindowSystemProbes::wayland};

std::string lower(std::string text) {
  for (char& c : text) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  for (size_t from = 0; from <= text.size();) {
    const size_t end = std::min(text.find(separator, from), text.size());
    parts.push_back(text.substr(from, end - from));
    from = end + 1;
  }
  return parts;
}

std::string joined(const std::set<std::string>& names) {
  std::string list;
  for (const std::string& name : names) {
    list += (list.empty() ? "" : ", ") + name;
  }
  return list.empty() ? "none" : list;
}

// Qt takes a list of platforms, each with options after a colon, and uses the first that starts;
// where it finds none it aborts the process.
bool check_chosen_platform(const char* program, std::ostream& err, const std::string& chosen,
                           const WindowSystemProbes& probes) {
  std::string failures;
  for (const std::string& entry : split(chosen, ';')) {
    const std::string platform = lower(entry.substr(0, entry.find(':')));
    std::string failure;
    if (probes.qt_platforms.count(platform) == 0) {
      failure =
          "Qt has no platform \"" + platform + "\" (it has " + joined(probes.qt_platforms) + ")";
    } else if (platform == "xcb") {
      failure = probes.x();
    } else if (platform.rfind("wayland", 0) == 0) {  // also wayland-egl etc.
      failure = probes.wayland();
    }  // any other (offscreen, vnc, ...) is the user's choice, which camscope cannot check
    if (failure.empty()) {
      return true;
    }
    failures += (failures.empty() ? "" : "; ") + failure;
  }
  err << program << ": cannot open windows on QT_QPA_PLATFORM=" << chosen << ": " << failures
      << "; run " << program << " in a desktop session, or correct or unset QT_QPA_PLATFORM to let "
      << program << " find a window system\n";
  return false;
}

}  // namespace

XConnection::~XConnection() {
  keep(nullptr);
}

void XConnection::keep(xcb_connection_t* connection) {
  if (connection_ != nullptr) {
    xcb_disconnect(connection_);
  }
  connection_ = connection;
}

std::string x_answers(std::chrono::milliseconds limit, XConnection* kept) {
  int screen = 0;
  xcb_connection_t* connection = nullptr;
  int error = 0;
  {
    const AnswerDeadline deadline(x_display(), limit, "DISPLAY");
    // A bare X server (Xvfb) starts afresh when its last client leaves, and meanwhile turns away
    // new connections: a refusal is tried twice more, 0.1 s apart.
    for (int tries = 1;; tries++) {
      connection = xcb_connect(nullptr, &screen);
      error = xcb_connection_has_error(connection);
      if (error != XCB_CONN_ERROR || tries == 3) {
        break;
      }
      xcb_disconnect(connection);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  // libxcb connects whatever screen DISPLAY names; Qt then aborts on one the server lacks.
  const int screens = error == 0 ? xcb_setup_roots_length(xcb_get_setup(connection)) : 0;
  const bool usable = error == 0 && screen < screens;
  if (usable && kept != nullptr) {
    kept->keep(connection);
  } else {
    xcb_disconnect(connection);
  }
  if (usable) {
    return "";
  }
  if (!is_set("DISPLAY")) {
    return "X: DISPLAY is not set";
  }
  const std::string display = x_display();
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

std::string wayland_answers(std::chrono::milliseconds limit) {
  // libwayland's own complaints would repeat, less clearly, what the message below says.
  wl_log_set_handler_client([](const char*, va_list) {});
  const AnswerDeadline deadline(wayland_socket(), limit, "WAYLAND_DISPLAY");
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    return wayland_socket() + ": " + std::generic_category().message(errno);
  }
  const bool answered = wl_display_roundtrip(display) >= 0;
  const int cause = errno;
  wl_display_disconnect(display);
  return answered ? "" : wayland_socket() + ": " + std::generic_category().message(cause);
}

std::set<std::string> qt_platforms_in(const std::vector<std::string>& folders) {
  std::set<std::string> platforms;
  for (const std::string& folder : folders) {
    const QDir dir(QString::fromStdString(folder));
    for (const QString& file : dir.entryList(QDir::Files)) {
      // Qt reads a plug-in's keys from its metadata, without loading it.
      const QJsonObject metadata = QPluginLoader(dir.filePath(file)).metaData();
      if (!metadata.value("IID").toString().startsWith(
              "org.qt-project.Qt.QPA.QPlatformIntegrationFactoryInterface")) {
        continue;
      }
      for (const QJsonValue key : metadata.value("MetaData").toObject().value("Keys").toArray()) {
        platforms.insert(key.toString().toStdString());  // lower-case, as Qt's keys are
      }
    }
  }
  return platforms;
}

std::vector<std::string> qt_platform_folders() {
  std::vector<std::string> folders;
  if (is_set("QT_QPA_PLATFORM_PLUGIN_PATH")) {
    folders.push_back(value_of("QT_QPA_PLATFORM_PLUGIN_PATH"));
  }
  for (const std::string& path : split(value_of("QT_PLUGIN_PATH"), ':')) {
    if (!path.empty()) {
      folders.push_back(path + "/platforms");
    }
  }
  folders.push_back(QLibraryInfo::location(QLibraryInfo::PluginsPath).toStdString() + "/platforms");
  return folders;
}

bool prepare_window_system(const char* program, std::ostream& err,
                           const WindowSystemProbes& probes) {
  if (is_set("QT_QPA_PLATFORM")) {
    return check_chosen_platform(program, err, value_of("QT_QPA_PLATFORM"), probes);
  }
  const bool wayland_session = value_of("XDG_SESSION_TYPE") == "wayland";
  std::string failures;
  for (const WindowSystem& system :
       wayland_session ? std::array{kWayland, kX} : std::array{kX, kWayland}) {
    std::string failure = (probes.*system.probe)();
    if (failure.empty() && probes.qt_platforms.count(system.qt_platform) == 0) {
      failure = std::string(system.name) + " answers, but Qt's platform for it is not installed (" +
                "Debian package " + system.qt_package + ")";
    }
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

bool prepare_window_system(const char* program, std::ostream& err, XConnection& kept) {
  const WindowSystemProbes real{[&] { return x_answers(kAnswerLimit, &kept); },
                                [] { return wayland_answers(kAnswerLimit); },
                                qt_platforms_in(qt_platform_folders())};
  return prepare_window_system(program, err, real);
}
