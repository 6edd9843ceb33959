// SPDX-License-Identifier: Apache-2.0
// A camera that plays a video file or a stream for camscope-demo: a file over and over, a stream
// connected anew when it breaks off.
#include "demo/clip_camera.hpp"

#include <cmath>

#include "demo/demo_source.hpp"
#include "demo/source_kind.hpp"
#include "demo/stream_diagnosis.hpp"
#include "frame_format.hpp"
#include "quiet_log.hpp"
#include "quoted.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

namespace {

constexpr double kDefaultFrameRate = 30.0;

// A rate from one frame in 1000 seconds to 1000 a second is the clip's own; outside those it is a
// container's placeholder (FFmpeg reports some time bases as rates), taken as no rate.
std::chrono::nanoseconds interval_at(double rate) {
  const double usable =
      std::isfinite(rate) && rate >= 0.001 && rate <= 1000 ? rate : kDefaultFrameRate;
  return std::chrono::nanoseconds(std::llround(1e9 / usable));
}

// How the message of an opening that sends no first frame goes on, by what was opened.
std::string no_first_frame_advice(const Source& source) {
  if (source.kind == SourceKind::kStream) {
    return "; check that the stream is running, or try a file";
  }
  return source.regular_file ? "; the disk it is on may be too slow, or not answering"
                             : "; check that the program that writes to it is running";
}

}  // namespace

ClipCamera::ClipCamera(const std::string& name, const Source& source, Watchdog& watchdog)
    : name_(name), stream_(source.kind == SourceKind::kStream), interval_(interval_at(0)) {
  bool opened = false;
  {
    const WaitGuard guard(watchdog, kOpenLimit,
                          "cannot play " + quoted(name) + ": no frame came in ",
                          no_first_frame_advice(source));
    opened = open_clip();
    if (opened) {
      const cv::Size declared(static_cast<int>(get(cv::CAP_PROP_FRAME_WIDTH)),
                              static_cast<int>(get(cv::CAP_PROP_FRAME_HEIGHT)));
      if (const std::string too_large = frame_size_problem(declared); !too_large.empty()) {
        throw SourceError(name, "its frames are " + too_large);
      }
      const QuietStandardError quiet;
      if (!cv::VideoCapture::read(first_) || first_.empty()) {
        throw SourceError(name, stream_ ? "the stream sent no frame; check its address"
                                        : "it holds no frame; it may be damaged");
      }
    }
  }
  if (!opened) {
    throw SourceError(name, stream_ ? stream_problem(name, watchdog)
                                    : "OpenCV cannot open it as a video or image: not a format it "
                                      "knows, or one whose codec is not installed; convert it (for "
                                      "example with ffmpeg) or try another file");
  }
  interval_ = interval_at(get(cv::CAP_PROP_FPS));
}

bool ClipCamera::read(cv::OutputArray image) {
  if (!served_first_ || still_) {
    served_first_ = true;
    first_.copyTo(image);  // a copy: the loop may keep or write into what it reads
    return true;
  }
  if (cv::VideoCapture::read(image) && !image.empty()) {
    played_second_ = true;
    return true;
  }
  if (!stream_ && !played_second_) {
    still_ = true;  // a video of one frame: no need to open it again for each read
    first_.copyTo(image);
    return true;
  }
  if (read_from_start(image)) {
    return true;
  }
  image.release();
  return false;
}

bool ClipCamera::read_from_start(cv::OutputArray image) {
  if (!stream_ && set(cv::CAP_PROP_POS_FRAMES, 0) && cv::VideoCapture::read(image) &&
      !image.empty()) {
    return true;
  }
  return open_clip() && cv::VideoCapture::read(image) && !image.empty();
}

bool ClipCamera::open_clip() {
  const QuietOpenCvLog quiet;  // its guesses at every back-end would bury camscope's message
  const QuietStandardError quiet_errors;
  return open(name_, stream_ ? cv::CAP_ANY : cv::CAP_FFMPEG);
}
