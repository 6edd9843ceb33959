// SPDX-License-Identifier: Apache-2.0
// Which camera the run reads: camera 0 must open, and camera 1 takes its place when it opens too.
#include "camera_choice.hpp"

#include <cstdlib>
#include <opencv2/core/utils/logger.hpp>

namespace {

// Silences OpenCV's log for its own lifetime, then puts back the level it found.
class QuietOpenCvLog {
 public:
  QuietOpenCvLog()
      : user_chose_level_(std::getenv("OPENCV_LOG_LEVEL") !=
                          nullptr),  // NOLINT(concurrency-mt-unsafe)
        saved_(cv::utils::logging::getLogLevel()) {
    if (!user_chose_level_) {
      cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    }
  }
  ~QuietOpenCvLog() { cv::utils::logging::setLogLevel(saved_); }
  QuietOpenCvLog(const QuietOpenCvLog&) = delete;
  QuietOpenCvLog& operator=(const QuietOpenCvLog&) = delete;

 private:
  bool user_chose_level_;
  cv::utils::logging::LogLevel saved_;
};

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
