// SPDX-License-Identifier: Apache-2.0
// A camera that plays a recording or a picture, for the demo: at the clip's own pace, over and
// over.
#include "clip_camera.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <system_error>

#include "deadline.hpp"
#include "quiet_log.hpp"

namespace {

constexpr double kDefaultFrameRate = 30.0;
constexpr std::chrono::milliseconds kFirstFrameLimit{5000};  // as a camera's, in camscope

// Why a name that is meant as a file cannot be read, or "" when it can. Patterns and URLs are
// OpenCV's to judge.
std::string file_problem(const std::string& name) {
  struct stat info {};
  if (stat(name.c_str(), &info) != 0) {
    const int cause = errno;
    if (name.find("://") != std::string::npos || name.find('%') != std::string::npos) {
      return "";
    }
    return std::generic_category().message(cause) + "; check the name and the path";
  }
  if (S_ISDIR(info.st_mode)) {
    return "it is a directory; name a video or image file, or a pattern such as "
           "frame_%04d.png for an image sequence";
  }
  if (access(name.c_str(), R_OK) != 0) {
    return std::generic_category().message(errno) + "; check the file's permissions";
  }
  return "";
}

double frame_rate_of(const cv::VideoCapture& clip) {
  const double rate = clip.get(cv::CAP_PROP_FPS);
  return std::isfinite(rate) && rate >= 1.0 && rate <= 1000.0 ? rate : kDefaultFrameRate;
}

}  // namespace

ClipCamera::ClipCamera(const std::string& name)
    : name_(name), frame_rate_(kDefaultFrameRate), pacer_(std::chrono::nanoseconds(0)) {
  if (const std::string problem = file_problem(name); !problem.empty()) {
    throw ClipError(problem);
  }
  is_file_ = access(name.c_str(), F_OK) == 0;
  // A stream that stalls before its first frame gets an answer too, not a wait without end.
  const std::string before = "cannot play " + name + ": no frame came in ";
  const std::string after = "; check that the stream is running, or try a file";
  const WaitDeadline deadline(std::chrono::steady_clock::now(), kFirstFrameLimit, before, after);
  if (!open_clip()) {
    throw ClipError(
        "OpenCV cannot open it as a video or image: not a format it knows, or one whose codec "
        "is not installed; convert it (for example with ffmpeg) or try another file");
  }
  cv::Mat first;
  if (!cv::VideoCapture::read(first) || first.empty()) {
    throw ClipError("it holds no frame; it may be empty or damaged");
  }
  if (first.type() != CV_8UC3) {
    throw ClipError("its frames are of type " + cv::typeToString(first.type()) +
                    ", but camscope needs 8-bit colour; convert it to an 8-bit colour format");
  }
  latest_ = first;
  frame_rate_ = frame_rate_of(*this);
  pacer_ = FramePacer(std::chrono::nanoseconds(static_cast<long long>(1e9 / frame_rate_)));
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
  const QuietOpenCvLog quiet;  // its guesses at every back-end would bury camscope's message
  if (!is_file_) {
    return open(name_, cv::CAP_ANY);
  }
  return open(name_, cv::CAP_FFMPEG) || open(name_, cv::CAP_IMAGES);
}
