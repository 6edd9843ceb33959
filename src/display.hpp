// SPDX-License-Identifier: Apache-2.0
// Where the loop shows its windows and polls the keyboard; tests put a recorder in its place.
#pragma once

#include <chrono>
#include <opencv2/core.hpp>
#include <string>

class Display {
 public:
  virtual ~Display() = default;
  // Shows image in the window with this title, creating the window on first use.
  virtual void show(const std::string& title, const cv::Mat& image) = 0;
  // Services the windows for up to delay; returns the code of a key pressed in one of them, as
  // soon as one is, or -1.
  virtual int poll_key(std::chrono::milliseconds delay) = 0;
};

// The real windows, through OpenCV's highgui.
class HighGuiDisplay : public Display {
 public:
  void show(const std::string& title, const cv::Mat& image) override;
  int poll_key(std::chrono::milliseconds delay) override;
};
