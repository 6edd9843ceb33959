// SPDX-License-Identifier: Apache-2.0
// camscope: shows live analyses of a camera's picture in seven windows until q is pressed.
#include <iostream>

#include "camera_choice.hpp"
#include "failure_report.hpp"
#include "run_in_windows.hpp"
#include "startup.hpp"

int main() {
  // Start-up: signals and memory; camera 0 must open, and camera 1 replaces it if it opens too.
  start_up("camscope");
  try {
    ReadPolicy policy;
    const std::optional<ChosenCamera> camera = choose_camera(open_camera, policy.timeout);
    if (!camera) {
      return -1;
    }
    policy.camera_name = camera->name;

    // Loop: the seven windows, until q is pressed in one of them (see frame_loop.cpp).
    const int status = run_in_windows("camscope", *camera->cap, policy);

    // Shut-down: leaving this scope releases the camera; the windows close at exit.
    return status;
  } catch (...) {
    return report_failure(std::current_exception(), "camscope", std::cerr);
  }
}
