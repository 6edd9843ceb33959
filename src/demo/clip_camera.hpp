// SPDX-License-Identifier: Apache-2.0
// A camera that plays a file or stream for camscope-demo: a clip at its own pace, over and over, or
// a picture, upright, shown over and over.
#pragma once

#include <chrono>
#include <opencv2/videoio.hpp>
#include <string>

#include "demo/frame_pacer.hpp"

// Serves a picture as cv::imread reads it (turned upright by its EXIF orientation, in 8-bit colour
// whatever its depth, its channels or its alpha) 30 times a second; or the frames of whatever
// cv::VideoCapture opens by name (a video, an image sequence pattern, a stream URL) at the clip's
// own frame rate (30 a second when it gives none), starting again from the first at the end.
class ClipCamera : public cv::VideoCapture {
 public:
  // Opens the clip and reads its first frame; throws SourceError when it cannot be played.
  explicit ClipCamera(const std::string& name);
  bool read(cv::OutputArray image) override;

  // The time between two frames as they are played.
  std::chrono::nanoseconds frame_interval() const { return interval_; }

 private:
  // Back to the first frame at the end of the clip: rewound where the back-end can, else reopened.
  bool restart();
  // Opens a file through the back-ends that read files, FFmpeg and then OpenCV's image reader:
  // GStreamer, which OpenCV would also try, writes its complaints about a file it cannot read
  // straight to the terminal. A pattern or a URL goes to whichever back-end OpenCV picks.
  bool open_clip();

  std::string name_;
  bool is_file_ = false;
  std::chrono::nanoseconds interval_;
  FramePacer pacer_;
  cv::Mat latest_;              // the frame read last, served again for a picture
  int frames_since_start_ = 1;  // opening the clip read its first frame
  bool served_first_ = false;   // the first read serves the frame that opening the clip read
  bool still_ = false;          // a picture, or a clip that has turned out to hold one frame
};
