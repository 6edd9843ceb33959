// SPDX-License-Identifier: Apache-2.0
// What camscope asks of Qt itself about its windows, beyond OpenCV's calls: the screen, the frames
// the window manager adds, windows closed by their user, the program's name on the desktop, and a
// window system that goes away.
#pragma once

#include <memory>
#include <opencv2/core.hpp>
#include <optional>
#include <string>

#include "window_layout.hpp"

// Before the first window: gives the windows the program's name for the desktop (X's WM_CLASS
// class, Wayland's app id), and has a connection to the window system that breaks (its server
// ended, or xkill) end the run with status 1 and a message naming the display, where Qt would end
// it with words of its own.
void introduce_to_desktop(const char* program, const std::string& display);

// The part of the screen of the window with this title that windows may cover, without the
// desktop's panels, in Qt's logical pixels (a scale factor of 2 halves them).
cv::Rect usable_screen_area(const std::string& title);

// The frame the window system has put around the window with this title; none until it has.
WindowFrame frame_of(const std::string& title);

// Tells which windows their user has closed since last asked, and where their contents were then:
// OpenCV only hides them, and shows them again, wherever the window manager likes, when their next
// image comes. Minimising is not closing.
class ClosedWindows {
 public:
  ClosedWindows();
  ~ClosedWindows();
  ClosedWindows(const ClosedWindows&) = delete;
  ClosedWindows& operator=(const ClosedWindows&) = delete;

  void watch(const std::string& title);
  std::optional<cv::Rect> take(const std::string& title);

 private:
  class Filter;
  std::unique_ptr<Filter> filter_;
};
