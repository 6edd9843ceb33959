// SPDX-License-Identifier: Apache-2.0
// camscope: shows live analyses of a camera's picture in seven windows until q is pressed.
#include <iostream>

#include "camera_choice.hpp"
#include "display.hpp"
#include "frame_loop.hpp"
#include "startup.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

int main() try {
  // Start-up: the process before any library starts a thread; camera 0 must open, and camera 1
  // replaces it if it opens too.
  start_up();
  Watchdog watchdog("camscope");
  const std::optional<ChosenCamera> camera = choose_camera(open_camera, kOpenLimit, watchdog);
  if (!camera) {
    return -1;
  }
  ReadPolicy policy;
  policy.camera_name = camera->name;

  // Loop: the seven windows, until q is pressed in one of them (see frame_loop.cpp).
  return run_in_windows("camscope", *camera->cap, policy, watchdog);

  // Shut-down: returning releases the camera and stops the watchdog; the windows close at exit.
} catch (...) {
  // Every failure ends here, as a message and status 1.
  return report_failure(std::current_exception(), "camscope", std::cerr);
}
