// SPDX-License-Identifier: Apache-2.0
// Keeps OpenCV's own log quiet while camscope opens a camera or a file and says itself what failed,
// and FFmpeg's quiet while the demo plays a file.
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

// Silences FFmpeg's own log (a damaged frame, a refused connection), which it writes straight to
// the terminal, unless the user asked for it with OPENCV_FFMPEG_LOGLEVEL, OPENCV_FFMPEG_DEBUG or
// OPENCV_LOG_LEVEL. OpenCV reads OPENCV_FFMPEG_LOGLEVEL when its FFmpeg back-end first starts, so
// this must come before that, and before any thread starts: it sets the environment.
void quiet_ffmpeg_log();
