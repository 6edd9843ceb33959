// SPDX-License-Identifier: Apache-2.0
// Peak bins of the three histograms: the console line, the plot's markers and the swatch shown in
// "histmax_color".
#pragma once

#include <cstdint>
#include <opencv2/core.hpp>
#include <ostream>

// The running peak search over the scaled histograms; after bin 255, each channel's peak bin.
struct ChannelPeaks {
  float r_peak_val, g_peak_val, b_peak_val;
  int r_peak, g_peak, b_peak;
};

// The search starts at bin 0, which is 0.0 because bin 0 is cleared before scaling.
ChannelPeaks start_peak_search(const cv::Mat& b_hist, const cv::Mat& g_hist, const cv::Mat& r_hist);

// Moves each channel's peak to bin i where bin i is strictly higher, so that ties keep the lowest
// bin. The loop calls it for bins 1 to 255, in the pass over the bins that also draws the curves.
void update_peaks(ChannelPeaks& peaks, int i, const cv::Mat& b_hist, const cv::Mat& g_hist,
                  const cv::Mat& r_hist);

// Writes the console line of the peaks and the iteration, and flushes it.
void write_console_line(std::ostream& out, const ChannelPeaks& peaks, std::int64_t frame_num);

// Marks the peaks on histImage, bin_w columns apart, and fills histmax_img with the peak colour.
void mark_peaks(const ChannelPeaks& peaks, int bin_w, cv::Mat& histImage, cv::Mat& histmax_img);
