// SPDX-License-Identifier: Apache-2.0
// Chooses the window system that camscope's windows open on, before any other thread starts.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

// The window system chosen: Qt's platform for it, and its display as messages name it (X display
// ":0"; Wayland socket /run/user/1000/wayland-0). failure says why no window can be opened and
// what the user can do; "" when one can.
struct WindowSystem {
  std::string qt_platform, display, failure;
};

// What the choice of a window system learns from outside; tests put fakes in its place. Each probe
// gives "" when its window system answers, else what went wrong.
struct WindowSystemProbes {
  std::function<std::string()> x, wayland;
  std::set<std::string> qt_platforms;  // the platforms Qt can load
};

// Decides where Qt opens its windows, where Qt itself would abort the process. A QT_QPA_PLATFORM
// that the user set is honoured when Qt has that platform, and for xcb or wayland also checked.
// Otherwise the window system of the session is tried first: Wayland when XDG_SESSION_TYPE is
// wayland, else X; then the other; one that answers is taken only when Qt has its platform.
// program is named in the advice.
WindowSystem choose_window_system(const char* program, const WindowSystemProbes& probes);

// The same with the real probes, each given kAnswerLimit: a server that does not answer ends the
// process with status 1 and a message naming it. Then tells Qt the choice and the program's name
// (its WM_CLASS instance) through the environment, so this must run while no other thread does.
WindowSystem prepare_window_system(const char* program);

// The platforms (lower-case, such as xcb and wayland) of the Qt platform plug-ins in these
// folders, read off the plug-ins' metadata without loading them; and the folders where Qt looks
// for them: QT_QPA_PLATFORM_PLUGIN_PATH, those of QT_PLUGIN_PATH, and Qt's own.
std::set<std::string> qt_platforms_in(const std::vector<std::string>& folders);
std::vector<std::string> qt_platform_folders();
