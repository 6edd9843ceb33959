// SPDX-License-Identifier: Apache-2.0
// Where the loop shows its windows and polls the keyboard; tests put a recorder in its place.
#pragma once

#include <chrono>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "window_layout.hpp"

class Display {
 public:
  virtual ~Display() = default;
  // Shows image in the window with this title, creating the window on first use.
  virtual void show(const std::string& title, const cv::Mat& image) = 0;
  // Services the windows for up to delay; returns the code of a key pressed in one of them, as
  // soon as one is, or -1.
  virtual int poll_key(std::chrono::milliseconds delay) = 0;
};

class ClosedWindows;

// The real windows, through OpenCV's highgui: resizable, each image scaled with its window and
// keeping its aspect, and laid out over the screen so that all can be seen at once (see
// lay_out_windows), in the order they were first shown. They are laid out again when one is
// added or an image changes its size; a window its user closes comes back in its own place.
class HighGuiDisplay : public Display {
 public:
  HighGuiDisplay();
  ~HighGuiDisplay() override;
  void show(const std::string& title, const cv::Mat& image) override;
  int poll_key(std::chrono::milliseconds delay) override;

 private:
  // Lays out all the windows; returns a key pressed while the window manager framed them, or -1.
  int lay_out();
  // Puts window i in its place.
  void place(size_t i);

  std::vector<std::string> titles_;  // in the order the windows were first shown
  std::vector<cv::Size> sizes_;      // of their images
  std::vector<cv::Rect> places_;     // their contents' rectangles, once laid out
  bool layout_due_ = false;          // a window was added, or an image changed its size
  bool window_manager_ = true;       // frames the windows: so far as camscope knows
  WindowFrame frame_;
  std::vector<size_t> reopened_;  // closed and shown again: put back in place at the next poll
  std::unique_ptr<ClosedWindows> closed_;
};
