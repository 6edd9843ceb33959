// SPDX-License-Identifier: Apache-2.0
// Chooses the window system that camscope's windows open on, before the first window.
#pragma once

#include <functional>
#include <set>
#include <stdexcept>
#include <string>

class Watchdog;
class XConnection;

// No window can be opened; what() says why and what the user can do.
class WindowSystemError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the choice of a window system learns from outside; tests put fakes in its place.
struct WindowSystemProbes {
  std::function<std::string()> x, wayland;  // as x_answers and wayland_answers
  std::set<std::string> qt_platforms;       // the platforms Qt can load
};

// Tells Qt which window system to use, where Qt itself would abort the process. A QT_QPA_PLATFORM
// that the user set is honoured when Qt has that platform, and for xcb or wayland also checked.
// Otherwise the window system of the session is tried first: Wayland when XDG_SESSION_TYPE is
// wayland, else X; then the other; one that answers is taken only when Qt has its platform.
// Throws WindowSystemError when no window can be opened; program is named in its advice.
void prepare_window_system(const char* program, const WindowSystemProbes& probes);

// The same with the real probes, each given kAnswerLimit; a connection to X is kept in kept.
void prepare_window_system(const char* program, Watchdog& watchdog, XConnection& kept);
