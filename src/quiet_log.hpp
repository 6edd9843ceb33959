// SPDX-License-Identifier: Apache-2.0
// Other libraries' logs kept off the terminal where camscope says itself what went wrong: OpenCV's
// and FFmpeg's, and what decoders and GStreamer write straight to standard error.
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

// Sends standard error to /dev/null for its own lifetime: libpng's "Read Error", libjpeg's
// warnings, OpenCV's own lines about a picture it cannot read and GStreamer's criticals, which
// these write straight to the terminal, around a call after which camscope says itself what
// failed. Unless the user asked for a log: OPENCV_LOG_LEVEL, OPENCV_FFMPEG_LOGLEVEL,
// OPENCV_FFMPEG_DEBUG or GST_DEBUG. Other threads' writes to standard error are lost meanwhile;
// camscope's own last words go to a copy of it (see write_last_words).
class QuietStandardError {
 public:
  QuietStandardError();
  ~QuietStandardError();
  QuietStandardError(const QuietStandardError&) = delete;
  QuietStandardError& operator=(const QuietStandardError&) = delete;

 private:
  int saved_ = -1;
};

// Silences FFmpeg's own log (a damaged frame, a refused connection), which it writes straight to
// the terminal, unless the user asked for a log as above. OpenCV reads OPENCV_FFMPEG_LOGLEVEL when
// its FFmpeg back-end first starts, so this must come before that, and before any thread starts:
// it sets the environment.
void quiet_ffmpeg_log();
