// SPDX-License-Identifier: Apache-2.0
// Each analysis stage on small frames whose whole output is worked out here by other means.
#include <gtest/gtest.h>

#include <complex>
#include <map>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "analysis/channel_histograms.hpp"
#include "analysis/edge_mask.hpp"
#include "analysis/motion_mask.hpp"
#include "analysis/peak_report.hpp"
#include "analysis/spectrum.hpp"

namespace {

const cv::Scalar kBlue(255, 0, 0), kGreen(0, 255, 0), kRed(0, 0, 255);

bool same(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

cv::Mat row_of(const std::vector<cv::Vec3b>& pixels) {
  return cv::Mat(pixels, true).reshape(3, 1);
}

// Both histogram stages on one frame, as the loop runs them, on plots that live across frames.
struct Histograms {
  std::vector<cv::Mat> bgr_planes;
  cv::Mat b_hist, g_hist, r_hist, histImage{400, 512, CV_8UC3, cv::Scalar(0, 0, 0)};
  cv::Mat histmax_img{cv::Size(400, 400), CV_8UC3, kRed};
  std::ostringstream console;
  void run(const cv::Mat& src, std::int64_t frame_num = 1) {
    int bin_w = 0;
    compute_channel_histograms(src, bgr_planes, b_hist, g_hist, r_hist, 512, histImage, bin_w);
    const ChannelPeaks peaks =
        find_peaks_and_draw_curves(b_hist, g_hist, r_hist, bin_w, 400, histImage);
    report_peaks(peaks, frame_num, console, histImage, histmax_img);
  }
};

// The expected plot: each curve, 2 pixels thick, through (2k, 400 - height of bin k), the bins
// not named at height 0; then each peak's marker over the whole height.
cv::Mat expected_plot(const std::vector<std::pair<std::map<int, int>, cv::Scalar>>& curves,
                      const std::vector<std::pair<int, cv::Scalar>>& markers) {
  cv::Mat plot(400, 512, CV_8UC3, cv::Scalar::all(0));
  for (const auto& [heights, colour] : curves) {
    std::vector<cv::Point> vertices;
    vertices.reserve(256);
    for (int k = 0; k < 256; k++)
      vertices.emplace_back(2 * k, 400 - (heights.count(k) ? heights.at(k) : 0));
    cv::polylines(plot, vertices, false, colour, 2, cv::LINE_8);
  }
  for (const auto& [peak, colour] : markers)
    cv::line(plot, {2 * peak, 0}, {2 * peak, 399}, colour, 2, cv::LINE_8);
  return plot;
}

// Catches bin 0 kept in the scale, counts or curves left from the frame before, a peak short of
// the top row, thin curves, and a marker off its column or short of the bottom row.
TEST(Histograms, GrayFrameMostlyBlackGivesOneRedCurveWithItsPeakMarker) {
  Histograms h;
  h.run(row_of({{9, 99, 199}, {40, 50, 60}}));
  h.console.str("");
  h.run(row_of({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {100, 100, 100}}), 2);
  // Red is drawn last, so it covers the blue and green curves and markers it coincides with.
  EXPECT_TRUE(same(h.histImage, expected_plot({{{{100, 400}}, kRed}}, {{100, kRed}})));
  EXPECT_EQ(h.console.str(), " Red = 100 Green = 100 Blue = 100 Frame_num = 2\n");
}

// Catches swapped channels or colours, rounding of the scaled bins, `>=` in the peak search (ties
// keep the lowest bin), the console line's order and counter width, and the swatch's order.
TEST(Histograms, ColourFrameGivesEachChannelItsCurvePeakMarkerAndSwatch) {
  Histograms h;
  // Blue: 30 three times. Green: 60 three times, 70 twice (400 * 2 / 3 = 266.7). Red: 50 and 80.
  h.run(row_of({{30, 60, 50}, {30, 60, 80}, {30, 60, 0}, {0, 70, 0}, {0, 70, 0}, {0, 0, 0}}),
        4294967296);
  const cv::Mat expected = expected_plot(
      {{{{30, 400}}, kBlue}, {{{60, 400}, {70, 267}}, kGreen}, {{{50, 400}, {80, 400}}, kRed}},
      {{30, kBlue}, {60, kGreen}, {50, kRed}});
  // Row 399 is left out: there the three flat curves, just below the plot, overlap bin by bin.
  EXPECT_TRUE(same(h.histImage.rowRange(0, 399), expected.rowRange(0, 399)));
  EXPECT_EQ(h.console.str(), " Red = 50 Green = 60 Blue = 30 Frame_num = 4294967296\n");
  EXPECT_TRUE(same(h.histmax_img, cv::Mat(400, 400, CV_8UC3, cv::Scalar(30, 60, 50))));
}

// The centred log-magnitude spectrum by the textbook sum: the frame padded with zero columns to
// the transform's size, the odd last row dropped, the quarters swapped, stretched over 0..255.
cv::Mat textbook_spectrum(const cv::Mat& src_g, int padded_cols) {
  const int rows = src_g.rows & -2, cols = padded_cols;
  cv::Mat log_mag(rows, cols, CV_64F);
  for (int u = 0; u < rows; u++)
    for (int v = 0; v < cols; v++) {
      std::complex<double> sum = 0;
      for (int y = 0; y < src_g.rows; y++)
        for (int x = 0; x < src_g.cols; x++)
          sum += double(src_g.at<uchar>(y, x)) *
                 std::polar(1.0, -2 * CV_PI * (double(u * y) / src_g.rows + double(v * x) / cols));
      log_mag.at<double>((u + rows / 2) % rows, (v + cols / 2) % cols) =
          std::log(1 + std::abs(sum));
    }
  double lowest = 0, highest = 0;
  cv::minMaxLoc(log_mag, &lowest, &highest);
  cv::Mat mag;
  log_mag.convertTo(mag, CV_8U, 255 / (highest - lowest), -255 * lowest / (highest - lowest));
  return mag;
}

// Catches a transform over the frame's own width (7, not the optimal 8), an odd row count not
// cropped (9 rows), quarters not exchanged, the log of the magnitude alone and a short range.
TEST(Spectrum, MatchesTheTextbookSpectrumOfAnOddSizedFrame) {
  cv::Mat src_g(9, 7, CV_8UC1), mag;
  for (int y = 0; y < 9; y++)
    for (int x = 0; x < 7; x++)
      src_g.at<uchar>(y, x) = static_cast<uchar>((37 * x + 91 * y + x * y * y) % 256);
  log_magnitude_spectrum(src_g, mag);
  const cv::Mat expected = textbook_spectrum(src_g, 8);
  ASSERT_EQ(mag.size(), expected.size());
  ASSERT_EQ(mag.type(), CV_8UC1);
  EXPECT_LE(cv::norm(mag, expected, cv::NORM_INF), 1);  // float against double rounding
}

// Catches garbage from equal log-magnitudes, and an empty image or a throw where the crop to
// even counts would leave nothing to swap.
TEST(Spectrum, BlackFrameAndSingleRowOrColumnGiveBlackImages) {
  for (const auto& [src_g, padded] : {std::pair(cv::Mat(6, 10, CV_8UC1, 0.0), cv::Size(10, 6)),
                                      std::pair(cv::Mat(1, 7, CV_8UC1, 90.0), cv::Size(8, 1))}) {
    cv::Mat mag;
    log_magnitude_spectrum(src_g, mag);
    EXPECT_TRUE(same(mag, cv::Mat::zeros(padded, CV_8UC1))) << padded;
  }
}

cv::Mat edges_of(const cv::Mat& src_g) {
  cv::Mat lap;
  laplacian_edge_mask(src_g, lap);
  return lap;
}

// Catches a wider aperture, negative responses lost, an inverted mask, `>=` at the Otsu level or
// a fixed level, and a border that is not reflected. A dot of 100 on black answers -400 (clipped
// to 255) and 100 at its four neighbours, and Otsu's level is 0; a dot of 50 puts its neighbours
// at 50, exactly the level, so only the dot is an edge.
TEST(EdgeMask, LoneDotsAndAUniformFrameGiveTheirExactMasks) {
  cv::Mat dot100 = cv::Mat::zeros(7, 7, CV_8UC1), dot50 = dot100.clone();
  dot100.at<uchar>(3, 3) = 100;
  dot50.at<uchar>(3, 3) = 50;
  cv::Mat plus = cv::Mat::zeros(7, 7, CV_8UC1), centre = plus.clone();
  plus(cv::Rect(2, 3, 3, 1)) = 255;
  plus(cv::Rect(3, 2, 1, 3)) = 255;
  centre.at<uchar>(3, 3) = 255;
  EXPECT_TRUE(same(edges_of(dot100), plus));
  EXPECT_TRUE(same(edges_of(dot50), centre));
  EXPECT_TRUE(same(edges_of(cv::Mat(5, 7, CV_8UC1, 120.0)), cv::Mat::zeros(5, 7, CV_8UC1)));
}

// A colour frame in one row whose gray values are exactly the given ones.
cv::Mat gray_row(const std::vector<uchar>& values) {
  std::vector<cv::Vec3b> pixels;
  pixels.reserve(values.size());
  for (const uchar v : values)
    pixels.emplace_back(v, v, v);
  return row_of(pixels);
}

cv::Mat motion_of(const std::vector<cv::Mat>& frames) {
  size_t reads = 0;
  cv::Mat diff;
  three_frame_motion_mask([&](cv::Mat& frame) { frame = frames.at(reads++); }, diff);
  EXPECT_EQ(reads, 3U);
  return diff;
}

// Each column is one pixel's history over the three frames; catches a threshold, an OR or a
// logical AND in place of the bitwise one, a wrong pairing of frames, and a crash when the camera
// changes its frame size between two reads (no motion is shown then).
TEST(MotionMask, EachPixelIsTheBitwiseAndOfItsTwoDifferences) {
  const cv::Mat diff = motion_of({gray_row({0, 10, 0, 0, 0, 7}), gray_row({128, 60, 200, 77, 0, 7}),
                                  gray_row({1, 10, 100, 77, 90, 7})});
  EXPECT_TRUE(same(diff, cv::Mat(std::vector<uchar>{0, 50, 64, 0, 0, 0}, true).reshape(1, 1)));
  const cv::Mat changed = motion_of({gray_row({5, 6}), gray_row({9}), gray_row({1, 2, 3})});
  EXPECT_TRUE(same(changed, cv::Mat::zeros(1, 3, CV_8UC1)));
}

}  // namespace
