// SPDX-License-Identifier: Apache-2.0
// camscope: shows live analyses of a camera's picture in seven windows until q is pressed.
#include <iostream>

#include "camera_choice.hpp"
#include "failure_report.hpp"
#include "run_in_windows.hpp"
#include "signals.hpp"
#include "startup.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

int main() try {
  // Start-up: signals, memory and the window system, before any library starts a thread; camera 0
  // must open, and camera 1 replaces it if it opens too; only then a window system's failure.
  const int signal_pipe = start_up("camscope");
  const WindowSystem windows = prepare_window_system("camscope");
  Watchdog watchdog(signal_pipe);
  const std::optional<ChosenCamera> camera = choose_camera(open_camera, kOpenLimit, watchdog);
  if (!camera) {
    return -1;
  }
  ReadPolicy policy;
  policy.camera_name = camera->name;

  // Loop: the seven windows, until q is pressed in one of them (see frame_loop.cpp).
  return run_in_windows("camscope", windows, *camera->cap, policy, watchdog);

  // Shut-down: returning releases the camera and stops the watchdog; the windows close at exit.
} catch (...) {
  // Every failure and stop ends here, and only here, as a message and an exit status or signal.
  return ending_with(report_failure(std::current_exception(), "camscope", std::cerr));
}
