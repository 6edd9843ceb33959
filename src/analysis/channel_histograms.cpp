// SPDX-License-Identifier: Apache-2.0
// Blue, green and red histograms of a frame (without bin 0) and their plot, shown in "hist_image".
#include "channel_histograms.hpp"

#include <opencv2/imgproc.hpp>

void compute_channel_histograms(const cv::Mat& src, std::vector<cv::Mat>& bgr_planes,
                                cv::Mat& b_hist, cv::Mat& g_hist, cv::Mat& r_hist,
                                cv::Mat& histImage, int& bin_w) {
  cv::split(src, bgr_planes);

  float range[] = {0.0F, 256.0F};  // upper bound excluded: bin k counts the value k
  const float* histRange = range;
  const bool uniform = true;
  const bool accumulate = false;  // every frame counts from zero
  cv::calcHist(&bgr_planes[0], 1, nullptr, cv::Mat(), b_hist, 1, &histSize, &histRange, uniform,
               accumulate);
  cv::calcHist(&bgr_planes[1], 1, nullptr, cv::Mat(), g_hist, 1, &histSize, &histRange, uniform,
               accumulate);
  cv::calcHist(&bgr_planes[2], 1, nullptr, cv::Mat(), r_hist, 1, &histSize, &histRange, uniform,
               accumulate);

  bin_w = cvRound(static_cast<double>(hist_w) / static_cast<double>(histSize));

  // Black pixels would dominate most frames; clearing bin 0 before scaling keeps them out of the
  // scale, the curves and the peaks.
  r_hist.at<float>(0) = 0.0F;
  g_hist.at<float>(0) = 0.0F;
  b_hist.at<float>(0) = 0.0F;

  histImage = cv::Scalar(0, 0, 0, 0);

  // The tallest bin reaches the top of the plot.
  const double plot_height = static_cast<double>(hist_h);
  cv::normalize(b_hist, b_hist, 0.0, plot_height, cv::NORM_MINMAX, -1, cv::Mat());
  cv::normalize(g_hist, g_hist, 0.0, plot_height, cv::NORM_MINMAX, -1, cv::Mat());
  cv::normalize(r_hist, r_hist, 0.0, plot_height, cv::NORM_MINMAX, -1, cv::Mat());
}

void draw_bin_segments(int i, int bin_w, const cv::Mat& b_hist, const cv::Mat& g_hist,
                       const cv::Mat& r_hist, cv::Mat& histImage) {
  // A scaled value v lies at row hist_h - v: 0 just below the plot, hist_h on its top row.
  const auto segment = [&](const cv::Mat& hist, const cv::Scalar& color) {
    cv::line(histImage, cv::Point(bin_w * (i - 1), hist_h - cvRound(hist.at<float>(i - 1))),
             cv::Point(bin_w * i, hist_h - cvRound(hist.at<float>(i))), color, 2, cv::LINE_8, 0);
  };
  segment(b_hist, cv::Scalar(255, 0, 0));
  segment(g_hist, cv::Scalar(0, 255, 0));
  segment(r_hist, cv::Scalar(0, 0, 255));
}
