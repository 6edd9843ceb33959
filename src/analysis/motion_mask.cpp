// SPDX-License-Identifier: Apache-2.0
// The motion image of three successive frames, shown in "diff image".
#include "motion_mask.hpp"

#include <opencv2/imgproc.hpp>

void three_frame_motion_mask(const FrameReader& read_next, cv::Mat& diff) {
  cv::Mat gray_img1, gray_img2, gray_img3, diff1, diff2, frame;
  read_next(frame);
  cv::cvtColor(frame, gray_img1, cv::COLOR_BGR2GRAY, 0);
  read_next(frame);
  cv::cvtColor(frame, gray_img2, cv::COLOR_BGR2GRAY, 0);
  read_next(frame);
  cv::cvtColor(frame, gray_img3, cv::COLOR_BGR2GRAY, 0);

  // A mode change mid-way leaves nothing comparable; show no motion rather than fail.
  if (gray_img1.size() != gray_img2.size() || gray_img2.size() != gray_img3.size()) {
    diff = cv::Mat::zeros(gray_img3.size(), CV_8UC1);
    return;
  }

  cv::absdiff(gray_img1, gray_img2, diff1);
  cv::absdiff(gray_img2, gray_img3, diff2);
  // A bitwise AND, not a threshold: only bits set in both differences survive, so a change seen in
  // one difference alone leaves no trace.
  cv::bitwise_and(diff1, diff2, diff, cv::noArray());
}
