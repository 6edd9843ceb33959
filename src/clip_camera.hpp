// SPDX-License-Identifier: Apache-2.0
// A camera that plays a recording or a picture, for the demo: at the clip's own pace, over and
// over.
#pragma once

#include <opencv2/videoio.hpp>
#include <stdexcept>
#include <string>

#include "frame_pacer.hpp"

// The clip cannot be played; what() says why, and what the user can do.
class ClipError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Serves the frames of whatever cv::VideoCapture opens by name (a video or image file, an image
// sequence pattern, a stream URL) at the clip's frame rate (30 a second when it gives none, or an
// absurd one), starting again from the first frame at the end; a picture is served over and over.
class ClipCamera : public cv::VideoCapture {
 public:
  // Opens the clip and reads its first frame; throws ClipError when it cannot be played.
  explicit ClipCamera(const std::string& name);
  bool read(cv::OutputArray image) override;

  // The frames a second that the clip is played at.
  double frame_rate() const { return frame_rate_; }

 private:
  // Back to the first frame at the end of the clip: rewound where the back-end can, else reopened.
  bool restart();
  // Opens a file through the back-ends that read files, FFmpeg and then OpenCV's image reader:
  // GStreamer, which OpenCV would also try, writes its complaints about a file it cannot read
  // straight to the terminal. A pattern or a URL goes to whichever back-end OpenCV picks.
  bool open_clip();

  std::string name_;
  bool is_file_ = false;
  double frame_rate_;
  FramePacer pacer_;
  cv::Mat latest_;              // the frame read last, served again for a picture
  int frames_since_start_ = 1;  // opening the clip read its first frame
  bool served_first_ = false;   // the first read serves the frame that opening the clip read
  bool still_ = false;          // the clip has turned out to be a picture
};
