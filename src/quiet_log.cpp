// SPDX-License-Identifier: Apache-2.0
// Other libraries' logs kept off the terminal where camscope says itself what went wrong: OpenCV's,
// and what image decoders write straight to standard error.
#include "quiet_log.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

// getenv is not thread-safe, but nothing in camscope changes these variables after start-up.
bool log_asked_for() {
  for (const char* asked :
       {"OPENCV_LOG_LEVEL", "OPENCV_FFMPEG_LOGLEVEL", "OPENCV_FFMPEG_DEBUG", "GST_DEBUG"}) {
    if (std::getenv(asked) != nullptr) {  // NOLINT(concurrency-mt-unsafe)
      return true;
    }
  }
  return false;
}

QuietOpenCvLog::QuietOpenCvLog() : saved_(cv::utils::logging::getLogLevel()) {
  if (std::getenv("OPENCV_LOG_LEVEL") == nullptr) {  // NOLINT(concurrency-mt-unsafe)
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
  }
}

QuietOpenCvLog::~QuietOpenCvLog() {
  cv::utils::logging::setLogLevel(saved_);
}

QuietStandardError::QuietStandardError() {
  if (log_asked_for()) {
    return;
  }
  std::cerr.flush();
  (void)std::fflush(stderr);
  const int nowhere =
      open("/dev/null", O_WRONLY | O_CLOEXEC);  // NOLINT(cppcoreguidelines-pro-type-vararg)
  saved_ = nowhere >= 0 ? fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3) : -1;
  if (saved_ >= 0) {
    (void)dup2(nowhere, STDERR_FILENO);
  }
  if (nowhere >= 0) {
    (void)close(nowhere);
  }
}

QuietStandardError::~QuietStandardError() {
  if (saved_ < 0) {
    return;
  }
  std::cerr.flush();
  (void)std::fflush(stderr);
  (void)dup2(saved_, STDERR_FILENO);
  (void)close(saved_);
}
