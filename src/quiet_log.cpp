// SPDX-License-Identifier: Apache-2.0
// Keeps OpenCV's own log quiet while camscope opens a camera or a file and says itself what failed,
// and FFmpeg's quiet while the demo plays a file.
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

void quiet_ffmpeg_log() {
  for (const char* asked : {"OPENCV_FFMPEG_LOGLEVEL", "OPENCV_FFMPEG_DEBUG", "OPENCV_LOG_LEVEL"}) {
    if (std::getenv(asked) != nullptr) {  // NOLINT(concurrency-mt-unsafe): no thread runs yet
      return;
    }
  }
  (void)setenv("OPENCV_FFMPEG_LOGLEVEL", "-8", 1);  // NOLINT(concurrency-mt-unsafe): AV_LOG_QUIET
}
