// SPDX-License-Identifier: Apache-2.0
// A camera that plays a video file or a stream for camscope-demo: a file over and over, a stream
// connected anew when it breaks off.
#pragma once

#include <chrono>
#include <opencv2/videoio.hpp>
#include <string>

#include "demo/ffmpeg_clip.hpp"

struct Source;
class Watchdog;

// Serves the frames that FFmpeg decodes from a video file, again from the first after the last (a
// video of one frame is shown like a picture), or from a stream, connected anew when a read fails.
// Its frames are to be read one every frame_interval().
class ClipCamera : public cv::VideoCapture {
 public:
  // Opens the clip and reads its first frame, within kOpenLimit; throws SourceError when it cannot
  // be played, saying why.
  ClipCamera(const std::string& name, const Source& source, Watchdog& watchdog);
  bool isOpened() const override { return true; }
  bool read(cv::OutputArray image) override;

  // The clip's own frame interval: 30 a second when it gives no usable rate.
  std::chrono::nanoseconds frame_interval() const { return interval_; }

 private:
  // A file goes back to its first frame where it can, else is opened again, as a stream is; then
  // its first frame is read.
  bool read_from_start(cv::Mat& frame);

  // A local file's name as FFmpeg's file protocol, so that no name is taken for another of its
  // protocols: a file called pipe:0 is that file, not standard input.
  std::string ffmpeg_name_;
  bool stream_;
  FfmpegClip clip_;
  std::chrono::nanoseconds interval_;
  cv::Mat first_;  // the frame that opening the clip read, served first
  bool served_first_ = false;
  bool played_second_ = false;  // a second frame came: the clip is no picture
  bool still_ = false;          // a file of one frame, shown like a picture
};
