// SPDX-License-Identifier: Apache-2.0
// A camera that shows a picture, or the pictures of an image sequence one after another, for
// camscope-demo.
#include "demo/picture_camera.hpp"

#include <unistd.h>

#include <QImageReader>
#include <climits>
#include <cstdlib>
#include <opencv2/imgcodecs.hpp>

#include "camera_reader.hpp"
#include "demo/source_error.hpp"
#include "demo/source_kind.hpp"
#include "frame_format.hpp"
#include "quiet_log.hpp"
#include "quoted.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

namespace {

// A picture in colour, or why it cannot be shown.
struct Decoded {
  cv::Mat picture;
  std::string problem;
  bool too_large = false;
};

// A picture larger than camscope analyses is refused by OpenCV from its header, before it is
// decoded (see limit_picture_size); Qt's reader tells its size for the message, where it knows the
// format.
Decoded decode(const std::string& path) {
  cv::Mat picture;
  // libpng and libjpeg write straight to stderr, through OpenCV and through Qt's reader.
  const QuietStandardError quiet;
  try {
    // Any depth, so that a floating-point picture keeps its values until they are scaled.
    picture = cv::imread(path, cv::IMREAD_COLOR | cv::IMREAD_ANYDEPTH);
  } catch (const cv::Exception& e) {
    if (e.err.find("CV_IO_MAX_IMAGE") != std::string::npos) {  // OpenCV's size limit
      const QSize size = QImageReader(QString::fromStdString(path)).size();
      const std::string problem =
          size.isValid() ? frame_size_problem({size.width(), size.height()}) : "";
      return Decoded{{},
                     "it is a picture of " +
                         (problem.empty() ? "more pixels than " + frame_size_limit() : problem),
                     true};
    }
  }
  if (picture.empty() || !to_colour_frame(picture, picture)) {
    return Decoded{{}, "it is a picture that cannot be decoded; it may be damaged or cut short"};
  }
  if (const std::string too_large = frame_size_problem(picture.size()); !too_large.empty()) {
    return Decoded{{}, "it is a picture of " + too_large, true};
  }
  return Decoded{picture, ""};
}

}  // namespace

void limit_picture_size(char** argv) {
  // NOLINTBEGIN(concurrency-mt-unsafe): first thing in main, before any thread
  if (std::getenv("OPENCV_IO_MAX_IMAGE_PIXELS") == nullptr) {
    (void)setenv("OPENCV_IO_MAX_IMAGE_PIXELS", std::to_string(kMaxFramePixels).c_str(), 1);
    // By the program's own path, so that it keeps its name (ps, pkill), not "exe"; where this
    // fails, OpenCV's own limit of 2^30 pixels holds.
    char path[PATH_MAX] = {};
    if (readlink("/proc/self/exe", path, sizeof path - 1) > 0) {
      (void)execv(path, argv);
    }
  }
  // NOLINTEND(concurrency-mt-unsafe)
}

PictureCamera::PictureCamera(const std::string& name, bool sequence, Watchdog& watchdog)
    : name_(name), sequence_(sequence) {
  first_ = sequence ? first_sequence_index(name) : 0;
  const std::string first_file = sequence ? sequence_file(name, first_) : name;
  // A slow disk, a picture of thousands of scans, or a FIFO without a writer in a sequence.
  const WaitGuard guard(watchdog, kOpenLimit, cannot_play(name) + "no frame came in ",
                        "; the disk it is on may be too slow, or not answering, or it is a FIFO "
                        "that nothing writes to");
  Decoded first = decode(first_file);
  if (!first.problem.empty()) {
    throw SourceError(name, sequence ? "its first file " + quoted(first_file) + ": " + first.problem
                                     : first.problem);
  }
  picture_ = first.picture;
  next_ = first_ + 1;
}

bool PictureCamera::read(cv::OutputArray image) {
  if (!sequence_ || !served_first_) {
    served_first_ = true;
    picture_.copyTo(image);  // a copy: the loop may keep or write into what it reads
    return true;
  }
  std::string file = sequence_file(name_, next_);
  if (access(file.c_str(), F_OK) != 0) {  // past the last file: again from the first
    next_ = first_;
    file = sequence_file(name_, next_);
  }
  next_++;
  const Decoded next = decode(file);
  if (next.too_large) {
    throw CameraError(quoted(file) + " of " + quoted(name_) + ": " + next.problem);
  }
  image.assign(next.picture);  // decoded for this read alone
  return !next.picture.empty();
}
