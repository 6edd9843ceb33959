// SPDX-License-Identifier: Apache-2.0
// A camera that films a made-up scene, for the demo, the benchmarks and the soak run.
#include "demo/synthetic_camera.hpp"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace {

// Stripes, a checkerboard and a colour gradient: edges, frequencies and colours to analyse.
cv::Mat textured_background(cv::Size size) {
  cv::Mat background(size, CV_8UC3);
  for (int y = 0; y < size.height; y++) {
    for (int x = 0; x < size.width; x++) {
      const bool check = ((x / 32) + (y / 32)) % 2 == 0;
      const int stripe = (x % 24 < 3) ? 60 : 0;
      background.at<cv::Vec3b>(y, x) =
          cv::Vec3b(cv::saturate_cast<uchar>(40 + 120 * x / size.width + stripe),
                    cv::saturate_cast<uchar>((check ? 90 : 50) + stripe),
                    cv::saturate_cast<uchar>(30 + 100 * y / size.height));
    }
  }
  return background;
}

}  // namespace

SyntheticCamera::SyntheticCamera(cv::Size size, int cycle_length) {
  const cv::Mat background = textured_background(size);
  cv::RNG rng(20261207);
  const int radius = std::max(2, size.height / 8);
  for (int i = 0; i < cycle_length; i++) {
    cv::Mat frame = background.clone();
    const double angle = 2 * CV_PI * i / cycle_length;  // one lap per cycle
    const cv::Point centre(cvRound(size.width * (0.5 + 0.3 * std::cos(angle))),
                           cvRound(size.height * (0.5 + 0.25 * std::sin(angle))));
    cv::circle(frame, centre, radius, cv::Scalar(40, 170, 230), cv::FILLED, cv::LINE_AA);
    // A small ball three times as fast, which moves further than its size between frames: the
    // motion image shows it whole, where it shows the large disc only at its rim.
    const cv::Point ball(cvRound(size.width * (0.5 + 0.38 * std::cos(-3 * angle))),
                         cvRound(size.height * (0.5 + 0.38 * std::sin(-3 * angle))));
    cv::circle(frame, ball, std::max(1, radius / 3), cv::Scalar(230, 230, 250), cv::FILLED,
               cv::LINE_AA);
    cv::Mat noise(size, CV_16SC3);
    rng.fill(noise, cv::RNG::NORMAL, 0, 4);
    cv::add(frame, noise, frame, cv::noArray(), CV_8UC3);
    frames_.push_back(frame);
  }
}

bool SyntheticCamera::read(cv::OutputArray image) {
  frames_[next_].copyTo(image);  // a copy: the loop may keep or write into what it reads
  next_ = (next_ + 1) % frames_.size();
  return true;
}
