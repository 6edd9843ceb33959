// SPDX-License-Identifier: Apache-2.0
// A video file or stream decoded frame by frame through FFmpeg's own libraries, each frame at the
// size it has.
#pragma once

#include <opencv2/core.hpp>
#include <string>

struct AVFormatContext;
struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

// OpenCV's FFmpeg back-end converts every frame at the size of the stream's first one: a stream
// whose frames change size (a transport stream, an MJPEG camera) comes out as a mosaic of leftover
// data, or crashes it. This reader converts each frame at its own size.
class FfmpegClip {
 public:
  FfmpegClip() = default;
  ~FfmpegClip();
  FfmpegClip(const FfmpegClip&) = delete;
  FfmpegClip& operator=(const FfmpegClip&) = delete;

  // Opens a file or URL; false when FFmpeg finds no video stream in it that it can decode. FFmpeg's
  // own log is quiet meanwhile and after, unless the user asked for a log (OPENCV_FFMPEG_LOGLEVEL,
  // at its level; OPENCV_FFMPEG_DEBUG, OPENCV_LOG_LEVEL or GST_DEBUG).
  bool open(const std::string& name);
  // The next frame, 8-bit BGR at its own size, turned upright as the stream's rotation says; false
  // at the end, or when the source breaks off.
  bool read(cv::Mat& image);
  // Back to the first frame; false where the source cannot seek (a stream, a pipe).
  bool rewind();
  // The size the stream declares before any frame is decoded, and its frame rate, 0 when unknown.
  cv::Size declared_size() const;
  double frame_rate() const;

 private:
  void close();

  AVFormatContext* format_ = nullptr;
  AVCodecContext* decoder_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* scaler_ = nullptr;
  int stream_ = -1;
  int rotation_ = 0;  // degrees clockwise: 0, 90, 180 or 270
  bool draining_ = false;
};

// Tells OpenCV's own FFmpeg back-end, which the opening of a camera device may try, to keep
// FFmpeg's log quiet, unless the user asked for a log. OpenCV reads OPENCV_FFMPEG_LOGLEVEL when
// the back-end first starts, so this comes before that, and before any thread starts: it sets the
// environment.
void quiet_ffmpeg_log();
