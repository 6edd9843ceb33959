// SPDX-License-Identifier: Apache-2.0
// Which camera the run reads: camera 0 must open, and camera 1 takes its place when it opens too.
#include "camera_choice.hpp"

#include "deadline.hpp"
#include "quiet_log.hpp"

namespace {

std::shared_ptr<cv::VideoCapture> quietly(const CameraOpener& open, int index,
                                          std::chrono::milliseconds limit) {
  const QuietOpenCvLog quiet;
  // Some capture routes (GStreamer's) wait inside the opening for a first frame, without end.
  const std::string before = "camera " + std::to_string(index) + " sends no frame (none in ";
  const std::string after =
      index == 0 ? "); check that it is connected, receives a picture and is not in use by another "
                   "program"
                 : "); check that it is connected, receives a picture and is not in use by another "
                   "program, or disconnect it to use camera 0";
  const WaitDeadline deadline(std::chrono::steady_clock::now(), limit, before, after);
  return open(index);
}

}  // namespace

std::optional<ChosenCamera> choose_camera(const CameraOpener& open,
                                          std::chrono::milliseconds limit) {
  std::shared_ptr<cv::VideoCapture> cap = quietly(open, 0, limit);
  if (!cap || !cap->isOpened()) {
    return std::nullopt;
  }
  std::shared_ptr<cv::VideoCapture> cap1 = quietly(open, 1, limit);
  if (cap1 && cap1->isOpened()) {
    return ChosenCamera{cap1, "camera 1"};  // camera 0 is released here
  }
  return ChosenCamera{cap, "camera 0"};
}

std::shared_ptr<cv::VideoCapture> open_camera(int index) {
  return std::make_shared<cv::VideoCapture>(index, cv::CAP_ANY);
}
