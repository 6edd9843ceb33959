// SPDX-License-Identifier: Apache-2.0
// Which camera the run reads: camera 0 must open, and camera 1 takes its place when it opens too.
#include "camera_choice.hpp"

#include "quiet_log.hpp"

namespace {

std::shared_ptr<cv::VideoCapture> quietly(const CameraOpener& open, int index) {
  const QuietOpenCvLog quiet;
  return open(index);
}

}  // namespace

std::optional<ChosenCamera> choose_camera(const CameraOpener& open) {
  std::shared_ptr<cv::VideoCapture> cap = quietly(open, 0);
  if (!cap || !cap->isOpened()) {
    return std::nullopt;
  }
  std::shared_ptr<cv::VideoCapture> cap1 = quietly(open, 1);
  if (cap1 && cap1->isOpened()) {
    return ChosenCamera{cap1, "camera 1"};  // camera 0 is released here
  }
  return ChosenCamera{cap, "camera 0"};
}

std::shared_ptr<cv::VideoCapture> open_camera(int index) {
  return std::make_shared<cv::VideoCapture>(index, cv::CAP_ANY);
}
