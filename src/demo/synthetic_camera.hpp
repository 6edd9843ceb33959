// SPDX-License-Identifier: Apache-2.0
// A camera that films a made-up scene, for the demo, the benchmarks and the soak run.
#pragma once

#include <opencv2/videoio.hpp>
#include <vector>

// Serves colour frames of two discs moving over a textured background with sensor-like noise, so
// that every analysis, the motion image included, has something to show. The frames form a loop
// of cycle_length, rendered up front, and come as fast as they are read.
class SyntheticCamera : public cv::VideoCapture {
 public:
  SyntheticCamera(cv::Size size, int cycle_length);
  bool isOpened() const override { return true; }
  bool read(cv::OutputArray image) override;

 private:
  std::vector<cv::Mat> frames_;
  size_t next_ = 0;
};
