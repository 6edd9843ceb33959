// SPDX-License-Identifier: Apache-2.0
// A camera that shows a picture over and over, for camscope-demo.
#include "demo/picture_camera.hpp"

#include <unistd.h>

#include <QImageReader>
#include <climits>
#include <cstdlib>
#include <opencv2/imgcodecs.hpp>

#include "demo/source_error.hpp"
#include "frame_format.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

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

PictureCamera::PictureCamera(const std::string& name, Watchdog& watchdog) {
  // A slow disk, or a picture of thousands of scans.
  const WaitGuard guard(watchdog, kOpenLimit, cannot_play(name) + "no frame came in ",
                        "; the disk it is on may be too slow, or not answering");
  try {
    // Any depth, so that a floating-point picture keeps its values until they are scaled.
    picture_ = cv::imread(name, cv::IMREAD_COLOR | cv::IMREAD_ANYDEPTH);
  } catch (const cv::Exception& e) {
    if (e.err.find("CV_IO_MAX_IMAGE") != std::string::npos) {  // OpenCV's size limit
      // Refused from its header; Qt's reader tells its size, where it knows the format.
      const QSize size = QImageReader(QString::fromStdString(name)).size();
      const std::string problem =
          size.isValid() ? frame_size_problem({size.width(), size.height()}) : "";
      throw SourceError(name,
                        "it is a picture of " +
                            (problem.empty() ? "more pixels than " + frame_size_limit() : problem));
    }
  }
  if (picture_.empty() || !to_colour_frame(picture_, picture_)) {
    throw SourceError(name,
                      "it is a picture that cannot be decoded; it may be damaged or cut short");
  }
  if (const std::string too_large = frame_size_problem(picture_.size()); !too_large.empty()) {
    throw SourceError(name, "it is a picture of " + too_large);
  }
}

bool PictureCamera::read(cv::OutputArray image) {
  picture_.copyTo(image);  // a copy: the loop may keep or write into what it reads
  return true;
}
