// SPDX-License-Identifier: Apache-2.0
// Reading the camera: retries when it hiccups, and gives up with a message when it stops.
#include "camera_reader.hpp"

#include <opencv2/videoio.hpp>
#include <thread>

void read_frame(cv::VideoCapture& cap, cv::Mat& frame, const ReadPolicy& policy) {
  const auto start = std::chrono::steady_clock::now();
  for (int tries = 1;; ++tries) {
    cap >> frame;
    if (!frame.empty()) {
      break;
    }
    if (tries >= policy.max_tries) {
      throw CameraError(policy.camera_name + " stopped delivering frames (" +
                        std::to_string(tries) +
                        " reads in a row gave none); check that it is connected and not in use "
                        "by another program");
    }
    if (std::chrono::steady_clock::now() - start >= policy.timeout) {
      throw CameraError(policy.camera_name + " stopped delivering frames (none for " +
                        std::to_string(policy.timeout.count()) +
                        " ms); check that it is connected and not in use by another program");
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
