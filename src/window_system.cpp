// SPDX-License-Identifier: Apache-2.0
// Chooses the window system that camscope's windows open on, before any other thread starts.
#include "window_system.hpp"

#include <poll.h>
#include <sys/stat.h>
#include <wayland-client.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QPluginLoader>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "quoted.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

namespace {

// Qt's reading of the environment, which takes a lock. An empty variable counts as unset, as Qt
// and the window system libraries treat it.
std::string value_of(const char* name) {
  return qEnvironmentVariable(name).toStdString();
}

bool is_set(const char* name) {
  return !qEnvironmentVariableIsEmpty(name);
}

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

// A server that takes the connection and then says nothing (stopped, or hung) would hold the
// probe, and then Qt, for ever.
WaitGuard guard_answer(const std::string& who, Watchdog& watchdog, const char* variable) {
  return WaitGuard(watchdog, kAnswerLimit, who + " does not answer (no reply in ",
                   std::string("); check that its server is running, not stopped or hung, or "
                               "point ") +
                       variable + " at another one");
}

std::string x_answers(Watchdog& watchdog) {
  int screen = 0;
  xcb_connection_t* connection = nullptr;
  {
    const WaitGuard guard = guard_answer(x_display(), watchdog, "DISPLAY");
    connection = xcb_connect(nullptr, &screen);
  }
  const int error = xcb_connection_has_error(connection);
  xcb_disconnect(connection);
  if (error == 0) {
    return "";
  }
  if (!is_set("DISPLAY")) {
    return "X: DISPLAY is not set";
  }
  const std::string display = x_display();
  switch (error) {
    case XCB_CONN_ERROR:  // libxcb tells a refusal from a missing server no further
      return display +
             ": no X server answers there, or it refused the connection (if not authorized: "
             "check XAUTHORITY, or ask the session's owner to allow it with xhost)";
    case XCB_CONN_CLOSED_PARSE_ERR:
      return display + ": not a display name";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
      return display + ": the server has no such screen";
    default:
      return display + ": the connection failed (libxcb error " + std::to_string(error) + ")";
  }
}

// Why the socket inherited in WAYLAND_SOCKET cannot serve, or "". It belongs to the one client it
// was made for: it is only checked, never spoken over, so that Qt finds it as it was.
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

void to_standard_error(const char* format, va_list arguments) {
  (void)std::vfprintf(stderr, format, arguments);  // NOLINT: libwayland's own default, restored
}

std::string wayland_answers(Watchdog& watchdog) {
  if (is_set("WAYLAND_SOCKET")) {
    return inherited_wayland_problem();
  }
  // libwayland's own complaints would repeat, less clearly, what the message says; Qt's Wayland
  // errors later go to standard error as before.
  wl_log_set_handler_client([](const char*, va_list) {});
  std::string problem;
  {
    const WaitGuard guard = guard_answer(wayland_socket(), watchdog, "WAYLAND_DISPLAY");
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr || wl_display_roundtrip(display) < 0) {
      problem = wayland_socket() + ": " + std::generic_category().message(errno);
    }
    if (display != nullptr) {
      wl_display_disconnect(display);
    }
  }
  wl_log_set_handler_client(to_standard_error);
  return problem;
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
std::string chosen_platform_failure(const char* program, const std::string& chosen,
                                    const WindowSystemProbes& probes) {
  std::string failures;
  for (const QString& entry : QString::fromStdString(chosen).split(';')) {
    const std::string platform = entry.section(':', 0, 0).toLower().toStdString();
    std::string failure;
    if (probes.qt_platforms.count(platform) == 0) {
      failure = "Qt has no platform \"" + quoted(platform) + "\" (it has " +
                joined(probes.qt_platforms) + ")";
    } else if (platform == "xcb") {
      failure = probes.x();
    } else if (platform.rfind("wayland", 0) == 0) {  // also wayland-egl etc.
      failure = probes.wayland();
    }  // any other (offscreen, vnc, ...) is the user's choice, which camscope cannot check
    if (failure.empty()) {
      return "";
    }
    failures += (failures.empty() ? "" : "; ") + failure;
  }
  return "cannot open windows on QT_QPA_PLATFORM=" + quoted(chosen) + ": " + failures + "; run " +
         program + " in a desktop session, or correct or unset QT_QPA_PLATFORM to let " + program +
         " find a window system";
}

}  // namespace

WindowSystem choose_window_system(const char* program, const WindowSystemProbes& probes) {
  if (is_set("QT_QPA_PLATFORM")) {
    const std::string chosen = value_of("QT_QPA_PLATFORM");
    const bool wayland = QString::fromStdString(chosen).startsWith("wayland", Qt::CaseInsensitive);
    return {chosen, wayland ? wayland_socket() : x_display(),
            chosen_platform_failure(program, chosen, probes)};
  }
  struct Candidate {
    const char* name;
    const char* qt_platform;
    const char* qt_package;  // the Debian package of Qt's platform plug-in
    const std::function<std::string()>& probe;
    std::string display;
  };
  const Candidate x{"X", "xcb", "libqt5gui5", probes.x, x_display()};
  const Candidate wayland{"Wayland", "wayland", "qtwayland5", probes.wayland, wayland_socket()};
  std::string failures;
  for (const Candidate* system : value_of("XDG_SESSION_TYPE") == "wayland"
                                     ? std::array{&wayland, &x}
                                     : std::array{&x, &wayland}) {
    std::string failure = system->probe();
    if (failure.empty() && probes.qt_platforms.count(system->qt_platform) == 0) {
      failure = std::string(system->name) +
                " answers, but Qt's platform for it is not installed (" + "Debian package " +
                system->qt_package + ")";
    }
    if (failure.empty()) {
      return {system->qt_platform, system->display, ""};
    }
    failures += (failures.empty() ? "" : "; ") + failure;
  }
  return {"", "",
          "no window system can be reached (" + failures + "); run " + program +
              " in a desktop session (X11 or Wayland), or point DISPLAY or "
              "WAYLAND_DISPLAY at a running one"};
}

WindowSystem prepare_window_system(const char* program) {
  WindowSystem chosen;
  {
    Watchdog watchdog;  // its thread ends here, before the environment changes
    chosen = choose_window_system(
        program, {[&] { return x_answers(watchdog); }, [&] { return wayland_answers(watchdog); },
                  qt_platforms_in(qt_platform_folders())});
  }
  // NOLINTBEGIN(concurrency-mt-unsafe): no other thread runs yet
  if (chosen.failure.empty()) {
    // Qt's own choice tries X alone outside a Wayland session and aborts where it fails.
    (void)setenv("QT_QPA_PLATFORM", chosen.qt_platform.c_str(), 1);
    // WM_CLASS's instance: Qt takes it from its command line, which OpenCV leaves empty.
    (void)setenv("RESOURCE_NAME", program, 0);
  }
  // NOLINTEND(concurrency-mt-unsafe)
  return chosen;
}

std::set<std::string> qt_platforms_in(const std::vector<std::string>& folders) {
  std::set<std::string> platforms;
  for (const std::string& folder : folders) {
    const QDir dir(QString::fromStdString(folder));
    for (const QString& file : dir.entryList(QDir::Files)) {
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
  for (const QString& path : QCoreApplication::libraryPaths()) {  // QT_PLUGIN_PATH's, then Qt's
    folders.push_back(path.toStdString() + "/platforms");
  }
  return folders;
}
