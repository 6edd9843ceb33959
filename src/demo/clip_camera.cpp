// SPDX-License-Identifier: Apache-2.0
// A camera that plays a video file, a stream or an image sequence for camscope-demo, through
// OpenCV's own readers.
#include "demo/clip_camera.hpp"

#include <cmath>
#include <cstdlib>

#include "demo/source_error.hpp"
#include "frame_format.hpp"
#include "quiet_log.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

namespace {

// A rate from one frame in 1000 seconds to 1000 a second is the clip's own; outside those, or
// none, it is a container's placeholder (some give their time base as the rate): 30 a second.
std::chrono::nanoseconds interval_at(double rate) {
  const double usable = std::isfinite(rate) && rate >= 0.001 && rate <= 1000 ? rate : 30.0;
  return std::chrono::nanoseconds(std::llround(1e9 / usable));
}

// Why an opening failed, where OpenCV gives no reason: what the name may be, never a guessed cause.
std::string open_failure(ClipKind kind) {
  switch (kind) {
    case ClipKind::kStream:
      return "it cannot be opened (FFmpeg's line above, if any, says why); check the address, and "
             "that the stream's server is running";
    case ClipKind::kSequence:
      return "OpenCV reads no image sequence from it: its first file (number 0 or 1) is missing, "
             "or the pattern is not one number such as frame_%04d.png";
    default:
      return "it is neither a picture OpenCV reads nor a video FFmpeg knows, or its codec is not "
             "installed; convert it or try another file";
  }
}

}  // namespace

ClipCamera::ClipCamera(const std::string& name, ClipKind kind, Watchdog& watchdog)
    : name_(name), kind_(kind), interval_(interval_at(0)) {
  const std::string before = "no frame came in ",
                    after = kind == ClipKind::kStream
                                ? "; check that the stream is running, or try a file"
                                : "; the disk it is on may be too slow, or not answering, or it "
                                  "is a FIFO that nothing writes to";
  // FFmpeg gives a stream up itself at kOpenLimit; the watchdog ends an opening that blocks where
  // FFmpeg cannot (a FIFO without a writer), and a stream's a moment after FFmpeg would have.
  const WaitGuard guard(
      watchdog, kind == ClipKind::kStream ? kOpenLimit + std::chrono::seconds(1) : kOpenLimit,
      cannot_play(name) + before, after);
  const QuietOpenCvLog quiet;  // OpenCV's own lines about a pattern or a file it cannot read
  const auto opening = std::chrono::steady_clock::now();
  if (kind == ClipKind::kFile) {
    // FFmpeg's lines about a damaged local file would come once a frame, for ever as it loops: its
    // log is quiet (AV_LOG_QUIET) unless the user set its level. A stream's lines tell why it
    // fails. No other thread reads the environment now.
    (void)setenv("OPENCV_FFMPEG_LOGLEVEL", "-8", 0);  // NOLINT(concurrency-mt-unsafe)
  }
  open_from_start();
  if (!isOpened()) {
    // FFmpeg gives up at kOpenLimit by the clock, a pause included.
    const auto took = std::chrono::steady_clock::now() - opening;
    throw SourceError(
        name, took >= kOpenLimit ? before + seconds_text(took) + after : open_failure(kind));
  }
  const cv::Size declared(int(get(cv::CAP_PROP_FRAME_WIDTH)), int(get(cv::CAP_PROP_FRAME_HEIGHT)));
  if (const std::string too_large = frame_size_problem(declared); !too_large.empty()) {
    throw SourceError(name, "its frames are " + too_large);  // refused before one is decoded
  }
  if (!cv::VideoCapture::read(first_)) {
    throw SourceError(name, kind == ClipKind::kStream
                                ? "the stream sent no frame; check its address"
                                : "it holds no frame; it may be damaged");
  }
  if (kind != ClipKind::kSequence) {
    interval_ = interval_at(get(cv::CAP_PROP_FPS));
  }
}

bool ClipCamera::read(cv::OutputArray image) {
  if (!first_.empty()) {
    image.assign(first_);
    first_.release();  // handed over: the loop may keep or write into what it reads
    return true;
  }
  // A sequence goes round before OpenCV would look for the file after its last, and warn of it.
  if (kind_ == ClipKind::kSequence &&
      get(cv::CAP_PROP_POS_FRAMES) >= get(cv::CAP_PROP_FRAME_COUNT)) {
    open_from_start();
  }
  if (cv::VideoCapture::read(image)) {
    return true;
  }
  // Past a file's last frame: again from its first, opened anew (OpenCV's FFmpeg back-end does not
  // go back to the first frame of a clip of one). A sequence's file that cannot be read is a failed
  // read, the next read taking the next file.
  return kind_ == ClipKind::kFile && open_from_start() && cv::VideoCapture::read(image);
}

bool ClipCamera::open_from_start() {
  if (kind_ == ClipKind::kSequence) {
    return open(name_, cv::CAP_IMAGES);
  }
  // A local file as FFmpeg's file protocol: a file called pipe:0 is that file, not standard input.
  return open(kind_ == ClipKind::kFile ? "file:" + name_ : name_, cv::CAP_FFMPEG,
              {cv::CAP_PROP_OPEN_TIMEOUT_MSEC, int(kOpenLimit.count()),
               cv::CAP_PROP_READ_TIMEOUT_MSEC, int(kReadLimit.count())});
}
