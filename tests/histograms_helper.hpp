// Runs both histogram stages on one frame as the loop does, for the tests.
#pragma once

#include <cstdint>
#include <sstream>
#include <vector>

#include "analysis/channel_histograms.hpp"
#include "analysis/peak_report.hpp"

// Both histogram stages on one frame, as the loop runs them; draw_markers false stops before
// the peaks are reported.
struct Histograms {
  std::vector<cv::Mat> bgr_planes;
  cv::Mat b_hist, g_hist, r_hist, histImage{400, 512, CV_8UC3, cv::Scalar(0, 0, 0)};
  cv::Mat histmax_img{cv::Size(400, 400), CV_8UC3, cv::Scalar(0, 0, 255)};
  ChannelPeaks peaks{};
  std::ostringstream console;

  void run(const cv::Mat& src, std::int64_t frame_num = 1, bool draw_markers = true) {
    int bin_w = 0;
    compute_channel_histograms(src, bgr_planes, b_hist, g_hist, r_hist, 512, histImage, bin_w);
    peaks = find_peaks_and_draw_curves(b_hist, g_hist, r_hist, bin_w, 400, histImage);
    if (draw_markers)
      report_peaks(peaks, frame_num, console, histImage, histmax_img);
  }
};

inline bool filled_with(const cv::Mat& image, const cv::Scalar& colour) {
  cv::Mat diff;
  cv::absdiff(image, colour, diff);
  return cv::countNonZero(diff.reshape(1)) == 0;
}
