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
// lay_out_windows), in the order they were first shown, the plot and the swatch kept legible. They
// are laid out again when one is added, or as lay_out_again says when an image grows. A window its
// user closes comes back where the user left it, else in its place.
class HighGuiDisplay : public Display {
 public:
  HighGuiDisplay();
  ~HighGuiDisplay() override;
  void show(const std::string& title, const cv::Mat& image) override;
  int poll_key(std::chrono::milliseconds delay) override;

 private:
  // Lays out all the windows; returns a key pressed while the window manager framed them, or -1.
  int lay_out();
  // Puts window i's contents at this rectangle.
  void place(size_t i, const cv::Rect& content);

  std::vector<std::string> titles_;     // in the order the windows were first shown
  std::vector<cv::Size> largest_;       // the largest size of each one's images so far
  std::vector<cv::Size> laid_out_for_;  // largest_ at the last layout
  std::chrono::steady_clock::time_point laid_out_at_;
  std::vector<cv::Rect> places_;  // their contents' rectangles, once laid out
  bool layout_due_ = false;       // a window was added
  bool window_manager_ = true;    // frames the windows: so far as camscope knows
  WindowFrame frame_;
  // Closed and shown again, with the rectangle they had when closed: put back at the next poll.
  std::vector<std::pair<size_t, cv::Rect>> reopened_;
  std::unique_ptr<ClosedWindows> closed_;
};
