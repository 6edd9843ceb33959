// Runs the two histogram stages on one frame, as the loop does, for the stage tests.
#pragma once

#include <cstdint>
#include <sstream>
#include <vector>

#include "analysis/channel_histograms.hpp"
#include "analysis/peak_report.hpp"

struct HistogramRun {
  std::vector<cv::Mat> bgr_planes;
  cv::Mat b_hist, g_hist, r_hist;
  cv::Mat histImage{400, 512, CV_8UC3, cv::Scalar(0, 0, 0)};
  cv::Mat histmax_img{cv::Size(400, 400), CV_8UC3, cv::Scalar(0, 0, 255)};
  ChannelPeaks peaks{};
  std::ostringstream console;

  // The histograms and their curves, with the peak search in the same pass.
  void plot(const cv::Mat& src) {
    int bin_w = 0;
    compute_channel_histograms(src, bgr_planes, b_hist, g_hist, r_hist, 512, histImage, bin_w);
    peaks = start_peak_search(b_hist, g_hist, r_hist);
    for (int i = 1; i < histSize; i++) {
      update_peaks(peaks, i, b_hist, g_hist, r_hist);
      draw_bin_segments(i, bin_w, 400, b_hist, g_hist, r_hist, histImage);
    }
  }

  void run(const cv::Mat& src, std::int64_t frame_num = 1) {
    plot(src);
    report_peaks(peaks, frame_num, console, histImage, histmax_img);
  }
};

// A frame whose pixels take the given BGR values, one pixel each, in one row.
inline cv::Mat frame_of(const std::vector<cv::Vec3b>& pixels) {
  cv::Mat frame(1, static_cast<int>(pixels.size()), CV_8UC3);
  for (int x = 0; x < frame.cols; x++) {
    frame.at<cv::Vec3b>(0, x) = pixels[static_cast<size_t>(x)];
  }
  return frame;
}
