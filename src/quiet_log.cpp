// SPDX-License-Identifier: Apache-2.0
// OpenCV's log kept off the terminal where camscope says itself what went wrong.
#include "quiet_log.hpp"

#include <cstdlib>

QuietOpenCvLog::QuietOpenCvLog() : saved_(cv::utils::logging::getLogLevel()) {
  if (std::getenv("OPENCV_LOG_LEVEL") == nullptr) {  // NOLINT(concurrency-mt-unsafe)
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
  }
}

QuietOpenCvLog::~QuietOpenCvLog() {
  cv::utils::logging::setLogLevel(saved_);
}
