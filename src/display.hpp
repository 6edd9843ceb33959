// SPDX-License-Identifier: Apache-2.0
// Where the loop shows its windows and polls the keyboard; tests put a recorder in its place.
#pragma once

#include <chrono>
#include <opencv2/core.hpp>
#include <opencv2/videoio.hpp>
#include <string>
#include <vector>

#include "camera_reader.hpp"
#include "window_layout.hpp"

class Watchdog;

class Display {
 public:
  virtual ~Display() = default;
  // Shows image in the window with this title, creating the window on first use.
  virtual void show(const std::string& title, const cv::Mat& image) = 0;
  // Services the windows for up to delay; returns the code of a key pressed in one of them, as
  // soon as one is, or -1.
  virtual int poll_key(std::chrono::milliseconds delay) = 0;
};

// The real windows, through OpenCV's highgui: resizable, each image scaled with its window and
// keeping its aspect, and laid out over the screen so that all can be seen at once (see
// lay_out_windows), in the order they were first shown, the plot and the swatch kept legible. They
// are laid out again when one is added, or as lay_out_again says when an image grows.
class HighGuiDisplay : public Display {
 public:
  void show(const std::string& title, const cv::Mat& image) override;
  int poll_key(std::chrono::milliseconds delay) override;

 private:
  // Lays out all the windows; returns a key pressed while the window manager framed them, or -1.
  int lay_out();

  std::vector<std::string> titles_;     // in the order the windows were first shown
  std::vector<cv::Size> largest_;       // the largest size of each one's images so far
  std::vector<cv::Size> laid_out_for_;  // largest_ at the last layout
  std::chrono::steady_clock::time_point laid_out_at_;
  bool layout_due_ = false;     // a window was added
  bool window_manager_ = true;  // frames the windows: so far as camscope knows
};

// Runs the frame loop on cap in real windows (see introduce_to_desktop), with the console lines on
// standard output, for camscope and its demo alike (program names them on the desktop and in
// messages). Returns 0 after q; throws what the loop throws.
int run_in_windows(const char* program, cv::VideoCapture& cap, const ReadPolicy& policy,
                   Watchdog& watchdog);
