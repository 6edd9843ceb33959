// SPDX-License-Identifier: Apache-2.0
// What camscope asks of Qt, which draws OpenCV's windows: the program's name on the desktop, the
// window system's failures told as camscope's, the screen and the frames around the windows.
#pragma once

#include <opencv2/core.hpp>
#include <string>

#include "window_layout.hpp"

// Connects to the window system before the first window, within kAnswerLimit, giving the windows
// the program's name on the desktop (X's WM_CLASS, Wayland's app id). Qt's failures end the run
// with status 1 and a message that starts with program, where Qt would abort: no window system it
// can open ("cannot open windows: " and Qt's own reasons, on one line), or a connection that breaks
// later (its server ended, or xkill). Qt's remarks about a window system it tried and skipped are
// kept as those reasons, and shown only if none opens.
class Watchdog;
void introduce_to_desktop(const char* program, Watchdog& watchdog);

// The window systems Qt may be trying, as messages name them: X display ":0", Wayland socket
// /run/user/1000/wayland-0, or both.
std::string window_system_name();

// The part of the screen of the window with this title that windows may cover, without the
// desktop's panels, in Qt's logical pixels; and the screen's device pixels to a logical one (2 at
// a scale factor of 2).
cv::Rect usable_screen_area(const std::string& title);
double device_pixel_ratio(const std::string& title);

// The frame the window system has put around the window with this title, in logical pixels; none
// until it has.
WindowFrame frame_of(const std::string& title);
