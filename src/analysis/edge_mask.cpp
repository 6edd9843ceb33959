// SPDX-License-Identifier: Apache-2.0
// The binary edge mask of the grayscale frame, shown in "Laplacian".
#include "edge_mask.hpp"

#include <opencv2/imgproc.hpp>

void laplacian_edge_mask(const cv::Mat& src_g, cv::Mat& lap) {
  // 64-bit so that negative responses survive until their magnitude is taken.
  cv::Laplacian(src_g, lap, CV_64F, 1, 1.0, 0.0, cv::BORDER_DEFAULT);
  cv::convertScaleAbs(lap, lap, 1.0, 0.0);
  // With THRESH_OTSU the level comes from lap's own histogram; the 0.0 passed is ignored.
  cv::threshold(lap, lap, 0.0, 255.0, cv::THRESH_BINARY | cv::THRESH_OTSU);
}
