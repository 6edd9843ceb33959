// SPDX-License-Identifier: Apache-2.0
// The real windows, through OpenCV's highgui.
#include <algorithm>
#include <opencv2/highgui.hpp>

#include "display.hpp"

void HighGuiDisplay::show(const std::string& title, const cv::Mat& image) {
  cv::imshow(title, image);
}

int HighGuiDisplay::poll_key(std::chrono::milliseconds delay) {
  return cv::waitKey(static_cast<int>(std::max<long long>(delay.count(), 1)));  // 0: for ever
}
