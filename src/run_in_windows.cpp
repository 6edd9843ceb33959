// SPDX-License-Identifier: Apache-2.0
// Runs the frame loop in real windows, for camscope and its demo alike.
#include "run_in_windows.hpp"

#include <iostream>

#include "display.hpp"
#include "failure_report.hpp"
#include "window_system.hpp"

int run_in_windows(const char* program, cv::VideoCapture& cap, const ReadPolicy& policy) {
  XConnection x_probe;  // kept while the windows are open
  if (!prepare_window_system(program, std::cerr, x_probe)) {
    return 1;
  }
  HighGuiDisplay display;
  try {
    return run_frame_loop(cap, display, std::cout, policy);
  } catch (...) {
    return report_failure(std::current_exception(), program, std::cerr);
  }
}
