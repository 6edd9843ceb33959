// SPDX-License-Identifier: Apache-2.0
// OpenCV's log kept off the terminal where camscope says itself what went wrong.
#pragma once

#include <opencv2/core/utils/logger.hpp>

// Silences OpenCV's log for its own lifetime, then puts back the level it found; a level the user
// chose with OPENCV_LOG_LEVEL is left as it is.
class QuietOpenCvLog {
 public:
  QuietOpenCvLog();
  ~QuietOpenCvLog();
  QuietOpenCvLog(const QuietOpenCvLog&) = delete;
  QuietOpenCvLog& operator=(const QuietOpenCvLog&) = delete;

 private:
  cv::utils::logging::LogLevel saved_;
};
