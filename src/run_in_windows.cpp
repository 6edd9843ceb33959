// SPDX-License-Identifier: Apache-2.0
// Runs the frame loop in real windows, for camscope and its demo alike.
#include "run_in_windows.hpp"

#include <iostream>
#include <stdexcept>

#include "desktop.hpp"
#include "display.hpp"

int run_in_windows(const char* program, const WindowSystem& windows, cv::VideoCapture& cap,
                   const ReadPolicy& policy, Watchdog& watchdog) {
  if (!windows.failure.empty()) {
    throw std::runtime_error(windows.failure);
  }
  introduce_to_desktop(program, windows.display);
  HighGuiDisplay display;
  return run_frame_loop(cap, display, std::cout, policy, watchdog);
}
