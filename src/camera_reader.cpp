// SPDX-License-Identifier: Apache-2.0
// Reading the camera: retries when it hiccups, and gives up with a message when it stops.
#include "camera_reader.hpp"

#include <opencv2/videoio.hpp>
#include <thread>

#include "deadline.hpp"

void read_frame(cv::VideoCapture& cap, cv::Mat& frame, const ReadPolicy& policy) {
  auto start = std::chrono::steady_clock::now();
  unsigned resumes = resume_count();
  const std::string stopped = policy.camera_name + " stopped delivering frames (";
  const std::string advice = "); check that it is connected and not in use by another program";
  const auto gave_up = [&](const std::string& how) { return CameraError(stopped + how + advice); };
  const std::string no_frame_for = stopped + "none for ";  // the deadline's message, built once
  for (int tries = 1;; ++tries) {
    if (resume_count() != resumes) {  // time spent stopped (Ctrl+Z) counts against no limit
      resumes = resume_count();
      start = std::chrono::steady_clock::now();
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    if (waited >= policy.timeout) {
      throw gave_up("none for " + seconds_text(waited));
    }
    // Some capture routes wait long, or without end, inside a read: the deadline ends the run
    // from outside when this one does.
    {
      const WaitDeadline deadline(start, policy.timeout, no_frame_for, advice);
      cap >> frame;
    }
    if (!frame.empty()) {
      break;
    }
    if (tries >= policy.max_tries) {
      throw gave_up(std::to_string(tries) + " reads in a row gave none");
    }
    std::this_thread::sleep_for(policy.retry_pause);
  }
  if (frame.type() != CV_8UC3) {
    throw CameraError(policy.camera_name + " delivers frames of type " +
                      cv::typeToString(frame.type()) +
                      ", but camscope needs 8-bit three-channel colour frames (CV_8UC3); choose "
                      "another camera or capture format");
  }
}
