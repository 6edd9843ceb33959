// SPDX-License-Identifier: Apache-2.0
// Blue, green and red histograms of a frame (without bin 0) and their plot, shown in "hist_image".
#pragma once

#include <opencv2/core.hpp>
#include <vector>

// Bins per channel: one for every 8-bit value.
constexpr int histSize = 256;

// The plot: hist_w columns, two for each bin, and hist_h rows, the height of the tallest bin.
constexpr int hist_w = 512;
constexpr int hist_h = 400;

// Splits src into bgr_planes, counts b_hist, g_hist and r_hist with bin 0 cleared, scales them to
// the plot's height and clears histImage, ready for draw_bin_segments. bin_w receives the
// horizontal distance between two bins in the plot.
void compute_channel_histograms(const cv::Mat& src, std::vector<cv::Mat>& bgr_planes,
                                cv::Mat& b_hist, cv::Mat& g_hist, cv::Mat& r_hist,
                                cv::Mat& histImage, int& bin_w);

// Draws the blue, green and red curve segments from bin i - 1 to bin i onto histImage.
void draw_bin_segments(int i, int bin_w, const cv::Mat& b_hist, const cv::Mat& g_hist,
                       const cv::Mat& r_hist, cv::Mat& histImage);
