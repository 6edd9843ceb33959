// SPDX-License-Identifier: Apache-2.0
// A camera that plays a file or stream for camscope-demo: a clip at its own pace, over and over, or
// a picture, upright, shown over and over.
#include "demo/clip_camera.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <opencv2/imgcodecs.hpp>

#include "deadline.hpp"
#include "demo/demo_source.hpp"
#include "demo/source_problems.hpp"
#include "quiet_log.hpp"

namespace {

constexpr double kDefaultFrameRate = 30.0;

// Any positive rate is the clip's own, a time-lapse's 0.5 a second too (held below 30 years).
std::chrono::nanoseconds interval_at(double rate) {
  const double usable = std::isfinite(rate) && rate > 0.0 ? rate : kDefaultFrameRate;
  return std::chrono::nanoseconds(static_cast<long long>(std::min(1e9 / usable, 1e18)));
}

}  // namespace

ClipCamera::ClipCamera(const std::string& name)
    : name_(name), interval_(interval_at(kDefaultFrameRate)), pacer_(interval_) {
  if (const std::string problem = file_problem(name); !problem.empty()) {
    throw SourceError(problem);
  }
  struct stat info {};
  is_file_ = stat(name.c_str(), &info) == 0;
  // A stream that stalls before its first frame gets an answer too, not a wait without end.
  const std::string before = "cannot play " + name + ": no frame came in ";
  const std::string after = "; check that the stream is running, or try a file";
  const WaitDeadline deadline(std::chrono::steady_clock::now(),
                              ReadPolicy{}.timeout,  // as a camera's
                              before, after);
  const QuietOpenCvLog quiet;  // its guesses at every back-end would bury camscope's message
  if (S_ISREG(info.st_mode) && cv::haveImageReader(name)) {
    // Read as every image viewer shows it, not as FFmpeg would: sideways, or off by one in 16 bits.
    latest_ = cv::imread(name, cv::IMREAD_COLOR);
    if (latest_.empty()) {
      throw SourceError("it is a picture that cannot be decoded; it may be damaged or cut short");
    }
    still_ = true;
    return;
  }
  if (!open_clip()) {
    throw SourceError(open_failure(name));
  }
  if (!cv::VideoCapture::read(latest_) || latest_.empty()) {
    throw SourceError("it holds no frame; it may be damaged");
  }
  if (latest_.type() != CV_8UC3) {
    throw SourceError("its frames are of type " + cv::typeToString(latest_.type()) +
                      ", but camscope needs 8-bit colour; convert it to an 8-bit colour format");
  }
  interval_ = interval_at(get(cv::CAP_PROP_FPS));
  pacer_ = FramePacer(interval_);
}

bool ClipCamera::read(cv::OutputArray image) {
  pacer_.wait_for_next();
  if (served_first_ && !still_) {
    cv::Mat frame;
    if (cv::VideoCapture::read(frame) && !frame.empty()) {
      ++frames_since_start_;
      latest_ = frame;
    } else if (frames_since_start_ == 1) {
      still_ = true;  // a clip of one frame is a picture: no need to open it again for each read
    } else if (!restart()) {
      image.release();
      return false;
    }
  }
  served_first_ = true;
  latest_.copyTo(image);  // a copy: the loop may keep or write into what it reads
  return true;
}

bool ClipCamera::restart() {
  cv::Mat frame;
  if (!set(cv::CAP_PROP_POS_FRAMES, 0) || !cv::VideoCapture::read(frame) || frame.empty()) {
    if (!open_clip() || !cv::VideoCapture::read(frame) || frame.empty()) {
      return false;
    }
  }
  frames_since_start_ = 1;
  latest_ = frame;
  return true;
}

bool ClipCamera::open_clip() {
  const QuietOpenCvLog quiet;
  if (!is_file_) {
    return open(name_, cv::CAP_ANY);
  }
  return open(name_, cv::CAP_FFMPEG) || open(name_, cv::CAP_IMAGES);
}
