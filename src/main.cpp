// SPDX-License-Identifier: Apache-2.0
// camscope: shows live analyses of a camera's picture in seven windows until q is pressed.
#include <iostream>
#include <opencv2/videoio.hpp>

#include "failure_report.hpp"
#include "run_in_windows.hpp"
#include "startup.hpp"

int main() {
  // Start-up: signals and memory; camera 0 must open, and camera 1 replaces it if it opens too.
  start_up();
  try {
    cv::VideoCapture cap(0, cv::CAP_ANY);
    if (!cap.isOpened()) {
      return -1;
    }
    ReadPolicy policy;
    cv::VideoCapture cap1(1, cv::CAP_ANY);
    if (cap1.isOpened()) {
      cap = cap1;
      policy.camera_name = "camera 1";
    }

    // Loop: the seven windows, until q is pressed in one of them (see frame_loop.cpp).
    const int status = run_in_windows(cap, policy);

    // Shut-down: leaving this scope releases cap1, then cap; the windows close at exit.
    return status;
  } catch (...) {
    return report_failure(std::current_exception(), std::cerr);
  }
}
