// SPDX-License-Identifier: Apache-2.0
// Finds the window system that camscope's windows can open on, before the first window.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

// How long a window system may take to answer.
constexpr std::chrono::milliseconds kAnswerLimit{5000};

struct xcb_connection_t;

// The probe's connection to the X server, kept open for as long as the windows are: an X server
// with no other client (Xvfb, say) starts afresh when its last client leaves, and turns away
// whoever connects meanwhile, such as Qt a moment after the probe.
class XConnection {
 public:
  XConnection() = default;
  ~XConnection();
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;
  void keep(xcb_connection_t* connection);

 private:
  xcb_connection_t* connection_ = nullptr;
};

// Whether X (through libxcb) and Wayland (through libwayland-client) answer: "" when they do, else
// what went wrong. One that does not answer within limit ends the process with status 1 and a
// message naming it. X's connection goes to kept, if any, when it answers.
std::string x_answers(std::chrono::milliseconds limit, XConnection* kept = nullptr);
std::string wayland_answers(std::chrono::milliseconds limit);

// The platforms (lower-case, such as xcb and wayland) of the Qt platform plug-ins in these
// folders, and the folders where Qt looks for them.
std::set<std::string> qt_platforms_in(const std::vector<std::string>& folders);
std::vector<std::string> qt_platform_folders();

// What the choice of a window system learns from outside; tests put fakes in its place.
struct WindowSystemProbes {
  std::function<std::string()> x, wayland;  // as x_answers and wayland_answers
  std::set<std::string> qt_platforms;       // the platforms Qt can load
};

// Tells Qt which window system to use, where Qt itself would abort the process. A QT_QPA_PLATFORM
// that the user set is honoured when Qt has that platform, and for xcb or wayland also checked.
// Otherwise the window system of the session is tried first: Wayland when XDG_SESSION_TYPE is
// wayland, else X; then the other; one that answers is taken only when Qt has its platform.
// Returns false, after a message on err that starts with program, when no window can be opened.
bool prepare_window_system(const char* program, std::ostream& err,
                           const WindowSystemProbes& probes);

// The same with the real probes, each given kAnswerLimit; a connection to X is kept in kept.
bool prepare_window_system(const char* program, std::ostream& err, XConnection& kept);
