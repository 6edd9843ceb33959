// SPDX-License-Identifier: Apache-2.0
// A camera that shows a picture, or the pictures of an image sequence one after another, for
// camscope-demo.
#include "demo/picture_camera.hpp"

#include <unistd.h>

#include <opencv2/imgcodecs.hpp>

#include "camera_reader.hpp"
#include "demo/demo_source.hpp"
#include "demo/picture_size.hpp"
#include "demo/source_kind.hpp"
#include "frame_format.hpp"
#include "quiet_log.hpp"
#include "quoted.hpp"

namespace {

// A picture in colour, or why it cannot be shown.
struct Decoded {
  cv::Mat picture;
  std::string problem;
  bool too_large = false;
};

// A picture larger than camscope analyses is refused from its header, before it is decoded, where
// the format allows.
Decoded decode(const std::string& path) {
  const std::optional<cv::Size> declared = picture_size(path);
  if (declared && !frame_size_problem(*declared).empty()) {
    return Decoded{{}, "it is a picture of " + frame_size_problem(*declared), true};
  }
  cv::Mat picture;
  {
    const QuietStandardError quiet;  // camscope says itself what is wrong with the file
    try {
      // Any depth, so that a floating-point picture keeps its values until they are scaled.
      picture = cv::imread(path, cv::IMREAD_COLOR | cv::IMREAD_ANYDEPTH);
    } catch (const cv::Exception&) {  // a header that declares an impossible size
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

PictureCamera::PictureCamera(const std::string& name, bool sequence)
    : name_(name), sequence_(sequence) {
  first_ = sequence ? first_sequence_index(name) : 0;
  const std::string first_file = sequence ? sequence_file(name, first_) : name;
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
