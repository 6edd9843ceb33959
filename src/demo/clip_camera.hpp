// SPDX-License-Identifier: Apache-2.0
// A camera that plays a video file, a stream or an image sequence for camscope-demo, through
// OpenCV's own readers.
#pragma once

#include <chrono>
#include <opencv2/videoio.hpp>
#include <string>

class Watchdog;

enum class ClipKind {
  kFile,      // a video file, or a FIFO: read by OpenCV's FFmpeg back-end
  kStream,    // an address: rtsp://, http://, ...
  kSequence,  // a pattern such as frame_%04d.png: OpenCV's image-sequence reader
};

// Serves the frames OpenCV reads from a video file or image sequence, again from the first after
// the last, or from a stream until it ends. Its frames are to be read one every frame_interval().
class ClipCamera : public cv::VideoCapture {
 public:
  // Opens the clip and reads its first frame, within kOpenLimit; throws SourceError when it cannot
  // be played, saying why.
  ClipCamera(const std::string& name, ClipKind kind, Watchdog& watchdog);
  bool read(cv::OutputArray image) override;

  // The clip's own frame interval: 30 a second for a sequence, or a clip that gives no usable
  // rate.
  std::chrono::nanoseconds frame_interval() const { return interval_; }

 private:
  // Opens the clip, to be read from its first frame.
  bool open_from_start();

  std::string name_;
  ClipKind kind_;
  std::chrono::nanoseconds interval_;
  cv::Mat first_;  // the frame read while opening, served first
};
