// SPDX-License-Identifier: Apache-2.0
// Other libraries' logs kept off the terminal where camscope says itself what went wrong: OpenCV's,
// and what image decoders write straight to standard error.
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

// Sends standard error to /dev/null for its own lifetime, around cv::imread alone: libpng's "Read
// Error", libjpeg's warnings and OpenCV's own lines about a picture it cannot read, which these
// write straight to the terminal, where camscope says itself what failed. Unless the user asked
// for a log (see log_asked_for). camscope's own last words go to a copy of standard error (see
// write_last_words).
class QuietStandardError {
 public:
  QuietStandardError();
  ~QuietStandardError();
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int saved_ = -1;
};

// Whether the user asked for other libraries' logs: OPENCV_LOG_LEVEL, OPENCV_FFMPEG_LOGLEVEL,
// OPENCV_FFMPEG_DEBUG or GST_DEBUG set.
bool log_asked_for();
