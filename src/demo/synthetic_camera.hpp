// SPDX-License-Identifier: Apache-2.0
// A camera that films a made-up scene, for the demo, the benchmarks and the soak run.
#pragma once

#include <chrono>
#include <opencv2/videoio.hpp>
#include <vector>

#include "demo/frame_pacer.hpp"

// Serves colour frames of two discs moving over a textured background with sensor-like noise, so
// that every analysis, the motion image included, has something to show. The frames form a loop
// of cycle_length, rendered up front; with a frame_interval, reads are paced like a real camera.
class SyntheticCamera : public cv::VideoCapture {
 public:
  SyntheticCamera(cv::Size size, int cycle_length,
                  std::chrono::milliseconds frame_interval = std::chrono::milliseconds(0));
  bool isOpened() const override { return true; }
  bool read(cv::OutputArray image) override;

 private:
  std::vector<cv::Mat> frames_;
  size_t next_ = 0;
  FramePacer pacer_;
};
