// SPDX-License-Identifier: Apache-2.0
// A camera that plays a video file or a stream for camscope-demo: a file over and over, a stream
// connected anew when it breaks off.
#include "demo/clip_camera.hpp"

#include <cmath>

#include "demo/source_error.hpp"
#include "demo/source_kind.hpp"
#include "frame_format.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

namespace {

constexpr double kDefaultFrameRate = 30.0;

// A rate from one frame in 1000 seconds to 1000 a second is the clip's own; outside those it is a
// container's placeholder (some give their time base as the rate), taken as no rate.
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
    : ffmpeg_name_(source.kind == SourceKind::kStream ? name : "file:" + name),
      stream_(source.kind == SourceKind::kStream),
      interval_(interval_at(0)) {
  const std::string before = "no frame came in ", after = no_first_frame_advice(source);
  // FFmpeg gives a stream up itself at the limit; the watchdog ends an opening that blocks where
  // FFmpeg cannot (a FIFO without a writer), a little later for a stream.
  const WaitGuard guard(watchdog, stream_ ? kOpenLimit + kStopGrace : kOpenLimit,
                        cannot_play(name) + before, after);
  const std::string failure = clip_.open(ffmpeg_name_, kOpenLimit);
  if (failure.empty()) {
    if (const std::string too_large = frame_size_problem(clip_.declared_size());
        !too_large.empty()) {
      throw SourceError(name, "its frames are " + too_large);
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(kOpenLimit - guard.waited());
    if (clip_.read(first_, left)) {
      interval_ = interval_at(clip_.frame_rate());
      return;
    }
  }
  if (clip_.gave_up()) {
    throw SourceError(name, before + seconds_text(guard.waited()) + after);
  }
  if (failure.empty()) {
    throw SourceError(name, stream_ ? "the stream sent no frame; check its address"
                                    : "it holds no frame; it may be damaged");
  }
  throw SourceError(name, stream_ ? shown_name(failure) +
                                        "; check the address, and that the stream's server is "
                                        "running"
                                  : "it is neither a picture OpenCV reads nor a video FFmpeg "
                                    "knows, or its codec is not installed; convert it or try "
                                    "another file");
}

bool ClipCamera::read(cv::OutputArray image) {
  cv::Mat frame;
  if (!served_first_ || still_) {
    served_first_ = true;
    frame = first_.clone();  // a copy: the loop may keep or write into what it reads
  } else if (clip_.read(frame, kClipCallLimit)) {
    played_second_ = true;
  } else if (!stream_ && !played_second_) {
    still_ = true;  // a video of one frame: no need to go back for each read
    frame = first_.clone();
  } else if (!read_from_start(frame)) {
    image.release();
    return false;
  }
  image.assign(frame);
  return true;
}

bool ClipCamera::read_from_start(cv::Mat& frame) {
  if (!stream_ && clip_.rewind() && clip_.read(frame, kClipCallLimit)) {
    return true;
  }
  return clip_.open(ffmpeg_name_, kClipCallLimit).empty() && clip_.read(frame, kClipCallLimit);
}
