// SPDX-License-Identifier: Apache-2.0
// The real windows, through OpenCV's highgui.
#include <opencv2/highgui.hpp>

#include "display.hpp"

void HighGuiDisplay::show(const std::string& title, const cv::Mat& image) {
  cv::imshow(title, image);
}

// One millisecond: the loop is paced by the camera, not by the key poll.
int HighGuiDisplay::poll_key() {
  return cv::waitKey(1);
}
