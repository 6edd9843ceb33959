// SPDX-License-Identifier: Apache-2.0
// Reading the camera: retries when it hiccups, and gives up with a message when it stops.
#pragma once

#include <chrono>
#include <functional>
#include <opencv2/core.hpp>
#include <stdexcept>
#include <string>

#include "time_limits.hpp"

namespace cv {
class VideoCapture;
}
class Watchdog;

// Reads the next camera frame into its argument; never leaves it empty. The motion stage reads
// its three frames through one, so that it needs no camera of its own.
using FrameReader = std::function<void(cv::Mat&)>;

// How the loop treats a camera that delivers no frame.
struct ReadPolicy {
  std::string camera_name = "camera 0";                 // as the messages name it
  int max_tries = kMaxFailedReads;                      // failed reads in a row before giving up
  std::chrono::milliseconds timeout = kReadLimit;       // time without a frame before giving up
  std::chrono::milliseconds retry_pause = kRetryPause;  // between two failed reads
  // A source that comes as fast as it is read (a clip, a picture, the demo's scene) is read one
  // frame every frame_interval; 0 for a camera, which keeps its own pace.
  std::chrono::nanoseconds frame_interval{0};
  // What the message of a source that stopped delivering frames advises.
  std::string stall_advice = "check that it is connected and not in use by another program";
};

// The camera stopped delivering frames, or delivers frames the stages cannot take.
class CameraError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the next frame into frame, retrying empty reads; frame is then never empty and always
// 8-bit three-channel, converted when the camera delivers another form (see to_colour_frame).
// Throws CameraError when the camera gives up, or delivers frames of no colour form or larger than
// camscope analyses; a read that blocks past the timeout has the watchdog end the process with the
// same message.
void read_frame(cv::VideoCapture& cap, cv::Mat& frame, const ReadPolicy& policy,
                Watchdog& watchdog);
