// Runs the frame loop in real windows, for camscope and its demo alike.
#include "run_in_windows.hpp"

#include <iostream>

#include "display.hpp"
#include "startup.hpp"

int run_in_windows(cv::VideoCapture& cap, const ReadPolicy& policy) {
  if (!window_system_available()) {
    std::cerr << "camscope: no window system found (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                 "run camscope in a desktop session\n";
    return 1;
  }
  HighGuiDisplay display;
  try {
    return run_frame_loop(cap, display, std::cout, std::cerr, policy);
  } catch (...) {
    return report_failure(std::current_exception(), std::cerr);
  }
}
