// SPDX-License-Identifier: Apache-2.0
// Runs the frame loop in real windows, for camscope and its demo alike.
#include "run_in_windows.hpp"

#include <iostream>

#include "desktop.hpp"
#include "display.hpp"
#include "window_probes.hpp"
#include "window_system.hpp"

int run_in_windows(const char* program, cv::VideoCapture& cap, const ReadPolicy& policy,
                   Watchdog& watchdog) {
  XConnection x_probe;  // kept while the windows are open
  prepare_window_system(program, watchdog, x_probe);
  introduce_to_desktop(program);
  HighGuiDisplay display;
  return run_frame_loop(cap, display, std::cout, policy, watchdog);
}
