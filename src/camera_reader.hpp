// SPDX-License-Identifier: Apache-2.0
// Reading the camera: retries when it hiccups, and gives up with a message when it stops.
#pragma once

#include <chrono>
#include <functional>
#include <opencv2/core.hpp>
#include <stdexcept>
#include <string>

namespace cv {
class VideoCapture;
}

// Reads the next camera frame into its argument; never leaves it empty. The motion stage reads
// its three frames through one, so that it needs no camera of its own.
using FrameReader = std::function<void(cv::Mat&)>;

// How the loop treats a camera that delivers no frame.
struct ReadPolicy {
  std::string camera_name = "camera 0";        // as the messages name it
  int max_tries = 10;                          // failed reads in a row before giving up
  std::chrono::milliseconds timeout{5000};     // time without a frame before giving up
  std::chrono::milliseconds retry_pause{100};  // gives a hiccuping driver time to recover
};

// The camera stopped delivering frames, or delivers frames the stages cannot take.
class CameraError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the next frame into frame, retrying empty reads; frame is then never empty and always
// 8-bit three-channel. Throws CameraError when the camera gives up or delivers another format; a
// read that blocks past the timeout ends the process with the same message (see deadline.hpp).
void read_frame(cv::VideoCapture& cap, cv::Mat& frame, const ReadPolicy& policy);
