// SPDX-License-Identifier: Apache-2.0
// Peak bins of the three histograms: the console line, the plot's markers and the swatch shown in
// "histmax_color".
#include "peak_report.hpp"

#include <opencv2/imgproc.hpp>

#include "analysis/channel_histograms.hpp"

ChannelPeaks start_peak_search(const cv::Mat& b_hist, const cv::Mat& g_hist,
                               const cv::Mat& r_hist) {
  return ChannelPeaks{r_hist.at<float>(0), g_hist.at<float>(0), b_hist.at<float>(0), 0, 0, 0};
}

void update_peaks(ChannelPeaks& peaks, int i, const cv::Mat& b_hist, const cv::Mat& g_hist,
                  const cv::Mat& r_hist) {
  if (r_hist.at<float>(i) > peaks.r_peak_val) {
    peaks.r_peak_val = r_hist.at<float>(i);
    peaks.r_peak = i;
  }
  if (g_hist.at<float>(i) > peaks.g_peak_val) {
    peaks.g_peak_val = g_hist.at<float>(i);
    peaks.g_peak = i;
  }
  if (b_hist.at<float>(i) > peaks.b_peak_val) {
    peaks.b_peak_val = b_hist.at<float>(i);
    peaks.b_peak = i;
  }
}

void write_console_line(std::ostream& out, const ChannelPeaks& peaks, std::int64_t frame_num) {
  out << " Red = " << peaks.r_peak << " Green = " << peaks.g_peak << " Blue = " << peaks.b_peak
      << " Frame_num = " << frame_num << std::endl;
}

void mark_peaks(const ChannelPeaks& peaks, int bin_w, cv::Mat& histImage, cv::Mat& histmax_img) {
  // Through the peak's vertex of the curve, over the plot's whole height.
  const auto marker = [&](int peak, const cv::Scalar& color) {
    cv::line(histImage, cv::Point(bin_w * peak, 0), cv::Point(bin_w * peak, hist_h - 1), color, 2,
             cv::LINE_8, 0);
  };
  marker(peaks.b_peak, cv::Scalar(255, 0, 0));
  marker(peaks.g_peak, cv::Scalar(0, 255, 0));
  marker(peaks.r_peak, cv::Scalar(0, 0, 255));

  histmax_img = cv::Scalar(peaks.b_peak, peaks.g_peak, peaks.r_peak, 0);
}
