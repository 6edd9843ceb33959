// SPDX-License-Identifier: Apache-2.0
// Chooses the window system that camscope's windows open on, before the first window.
#include "window_system.hpp"

#include <array>
#include <cctype>
#include <cstdlib>

#include "environment.hpp"
#include "qt_platforms.hpp"
#include "quoted.hpp"
#include "time_limits.hpp"
#include "window_probes.hpp"

namespace {

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

std::string joined(const std::set<std::string>& names) {
  std::string list;
  for (const std::string& name : names) {
    list += (list.empty() ? "" : ", ") + name;
  }
  return list.empty() ? "none" : list;
}

// Qt takes a list of platforms, each with options after a colon, and uses the first that starts;
// where it finds none it aborts the process.
void check_chosen_platform(const char* program, const std::string& chosen,
                           const WindowSystemProbes& probes) {
  std::string failures;
  for (const std::string& entry : split(chosen, ';')) {
    const std::string platform = lower(entry.substr(0, entry.find(':')));
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
      return;
    }
    failures += (failures.empty() ? "" : "; ") + failure;
  }
  throw WindowSystemError("cannot open windows on QT_QPA_PLATFORM=" + quoted(chosen) + ": " +
                          failures + "; run " + program +
                          " in a desktop session, or correct or unset QT_QPA_PLATFORM to let " +
                          program + " find a window system");
}

}  // namespace

void prepare_window_system(const char* program, const WindowSystemProbes& probes) {
  if (is_set("QT_QPA_PLATFORM")) {
    check_chosen_platform(program, value_of("QT_QPA_PLATFORM"), probes);
    return;
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
      return;
    }
    failures += (failures.empty() ? "" : "; ") + failure;
  }
  throw WindowSystemError(std::string("no window system can be reached (") + failures + "); run " +
                          program +
                          " in a desktop session (X11 or Wayland), or point DISPLAY or "
                          "WAYLAND_DISPLAY at a running one");
}

void prepare_window_system(const char* program, Watchdog& watchdog, XConnection& kept) {
  const WindowSystemProbes real{[&] { return x_answers(kAnswerLimit, watchdog, kept); },
                                [&] { return wayland_answers(kAnswerLimit, watchdog); },
                                qt_platforms_in(qt_platform_folders())};
  prepare_window_system(program, real);
}
