// SPDX-License-Identifier: Apache-2.0
// Reading the camera: retries when it hiccups, and gives up with a message when it stops.
#include "camera_reader.hpp"

#include <opencv2/videoio.hpp>
#include <thread>

#include "frame_format.hpp"
#include "watchdog.hpp"

void read_frame(cv::VideoCapture& cap, cv::Mat& frame, const ReadPolicy& policy,
                Watchdog& watchdog) {
  const std::string stopped = policy.camera_name + " stopped delivering frames (";
  const std::string advice = "); " + policy.stall_advice;
  // Some capture routes wait long, or without end, inside a read: the watchdog ends the run from
  // outside when one does.
  const WaitGuard guard(watchdog, policy.timeout, stopped + "none for ", advice);
  const auto gave_up = [&](const std::string& how) {
    std::string message = stopped;
    message += how;
    message += advice;
    return CameraError(message);
  };
  for (int tries = 1;; ++tries) {
    if (const auto waited = guard.waited(); waited >= policy.timeout) {
      throw gave_up("none for " + seconds_text(waited));
    }
    cap >> frame;
    if (!frame.empty()) {
      break;
    }
    if (tries >= policy.max_tries) {
      throw gave_up(std::to_string(tries) + " reads in a row gave none");
    }
    std::this_thread::sleep_for(policy.retry_pause);
  }
  if (frame.type() != CV_8UC3 && !to_colour_frame(frame, frame)) {
    throw CameraError(
        policy.camera_name + " delivers frames of type " + cv::typeToString(frame.type()) +
        ", which have no colour form camscope knows; choose another camera or capture "
        "format");
  }
  if (const std::string problem = frame_size_problem(frame.size()); !problem.empty()) {
    throw CameraError(policy.camera_name + " delivers frames of " + problem +
                      "; choose a smaller capture format");
  }
}
