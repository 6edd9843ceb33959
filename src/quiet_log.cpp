// SPDX-License-Identifier: Apache-2.0
// Keeps OpenCV's own log quiet while camscope opens a camera or a file and says itself what failed.
#include "quiet_log.hpp"

#include <cstdlib>

QuietOpenCvLog::QuietOpenCvLog() : saved_(cv::utils::logging::getLogLevel()) {
  // getenv is not thread-safe, but nothing in camscope changes this variable.
  if (std::getenv("OPENCV_LOG_LEVEL") == nullptr) {  // NOLINT(concurrency-mt-unsafe)
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
  }
}

QuietOpenCvLog::~QuietOpenCvLog() {
  cv::utils::logging::setLogLevel(saved_);
}
