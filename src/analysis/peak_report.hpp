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

// The one pass over bins 1..255 that both histogram stages share: for each bin, first its peak
// update (this module), then its three curve segments (channel_histograms). Returns the peaks:
// the search starts at bin 0, which is 0.0 because bin 0 is cleared before scaling, and only a
// strictly larger value moves a peak, so ties keep the lowest bin.
ChannelPeaks find_peaks_and_draw_curves(const cv::Mat& b_hist, const cv::Mat& g_hist,
                                        const cv::Mat& r_hist, int bin_w, int hist_h,
                                        cv::Mat& histImage);

// Writes the console line, marks the peaks on histImage and fills histmax_img with the peak colour.
void report_peaks(const ChannelPeaks& peaks, std::int64_t frame_num, std::ostream& out,
                  cv::Mat& histImage, cv::Mat& histmax_img);
