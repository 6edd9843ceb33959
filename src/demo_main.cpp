// SPDX-License-Identifier: Apache-2.0
// camscope-demo: camscope's windows and console line on a made-up scene, for a machine without a
// camera. Ends on q, like camscope.
#include <iostream>

#include "failure_report.hpp"
#include "run_in_windows.hpp"
#include "startup.hpp"
#include "synthetic_camera.hpp"

int main() {
  // Start-up: signals and memory, then a 640x480 scene at 30 frames a second, like a webcam.
  start_up("camscope-demo");
  try {
    SyntheticCamera camera(cv::Size(640, 480), 48, std::chrono::milliseconds(33));
    ReadPolicy policy;
    policy.camera_name = "the synthetic camera";

    // Loop: the same loop and windows as camscope's.
    return run_in_windows("camscope-demo", camera, policy);
  } catch (...) {
    return report_failure(std::current_exception(), "camscope-demo", std::cerr);
  }
}
