// SPDX-License-Identifier: Apache-2.0
// A video file or stream decoded frame by frame through FFmpeg's own libraries, each frame at the
// size it has.
#pragma once

#include <chrono>
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

  // Opens a file or URL, giving up a blocking opening after limit. "" when it holds a video stream
  // that FFmpeg can decode, else FFmpeg's own reason: the last error it logged meanwhile ("Failed
  // to resolve hostname ..."), or the text of the error code it returned ("Connection refused",
  // "Server returned 404 Not Found"); "Immediate exit requested" when limit passed.
  std::string open(const std::string& name, std::chrono::milliseconds limit);
  // The next frame, 8-bit BGR at its own size, turned upright as the stream's rotation says; false
  // at the end, when the source breaks off, or when no packet came within limit.
  bool read(cv::Mat& image, std::chrono::milliseconds limit);
  // Back to the first frame; false where the source cannot seek (a stream, a pipe).
  bool rewind();
  // Whether the last blocking call was given up at its limit.
  bool gave_up() const { return std::chrono::steady_clock::now() > give_up_at_; }
  // The size the stream declares before any frame is decoded, and its frame rate, 0 when unknown.
  cv::Size declared_size() const;
  double frame_rate() const;

 private:
  void close();
  std::string failure(int code) const;

  std::chrono::steady_clock::time_point give_up_at_;  // when a blocking call of FFmpeg's gives up

  AVFormatContext* format_ = nullptr;
  AVCodecContext* decoder_ = nullptr;
  AVFrame* frame_ = nullptr;
  AVPacket* packet_ = nullptr;
  SwsContext* scaler_ = nullptr;
  int stream_ = -1;
  int rotation_ = 0;  // degrees clockwise: 0, 90, 180 or 270
  bool draining_ = false;
};

// Takes FFmpeg's log over for the run: its lines reach standard error only when the user asked for
// a log (see log_asked_for), at OPENCV_FFMPEG_LOGLEVEL's level when set; its errors are kept for
// FfmpegClip's messages either way.
void route_ffmpeg_log();
