// SPDX-License-Identifier: Apache-2.0
// The spectrum, edge and motion stages on small frames whose whole output is worked out here by
// other means. (The histogram stages are tested through the loop, in frame_loop_test.cpp.)
#include <gtest/gtest.h>

#include <complex>
#include <opencv2/imgproc.hpp>

#include "analysis/edge_mask.hpp"
#include "analysis/motion_mask.hpp"
#include "analysis/spectrum.hpp"
#include "fake_desktop.hpp"

namespace {

// The centred log-magnitude spectrum by the textbook sum: the frame padded with zeros below and to
// the right to the transform's size, an odd last row or column dropped, the quarters swapped,
// stretched over 0..255.
cv::Mat textbook_spectrum(const cv::Mat& src_g, cv::Size padded) {
  const int rows = padded.height & -2, cols = padded.width & -2;
  cv::Mat log_mag(rows, cols, CV_64F);
  for (int u = 0; u < rows; u++)
    for (int v = 0; v < cols; v++) {
      std::complex<double> sum = 0;
      for (int y = 0; y < src_g.rows; y++)
        for (int x = 0; x < src_g.cols; x++)
          sum +=
              double(src_g.at<uchar>(y, x)) *
              std::polar(
                  1.0, -2 * CV_PI * (double(u * y) / padded.height + double(v * x) / padded.width));
      log_mag.at<double>((u + rows / 2) % rows, (v + cols / 2) % cols) =
          std::log(1 + std::abs(sum));
    }
  double lowest = 0, highest = 0;
  cv::minMaxLoc(log_mag, &lowest, &highest);
  cv::Mat mag;
  log_mag.convertTo(mag, CV_8U, 255 / (highest - lowest), -255 * lowest / (highest - lowest));
  return mag;
}

// Catches a transform over the frame's own width or height (7, not the optimal 8; 11, not 12), an
// odd row or column count not cropped (9), quarters not exchanged, the log of the magnitude alone,
// and a stretch that is short of 0..255 or does not start from the smallest value. (Where the
// zeros are padded, and the transform's direction, change no magnitude.)
TEST(Spectrum, MatchesTheTextbookSpectrumOfOddSizedFrames) {
  // Rows repeat every third row (and then two rows in three of the spectrum are zero, where
  // log(1 + m) and log(m) part ways), or every ninth (no zero term: the smallest is not 0).
  const struct {
    cv::Size frame, padded;
    int period;
  } cases[] = {{{7, 9}, {8, 9}, 3}, {{9, 7}, {9, 8}, 9}, {{11, 7}, {12, 8}, 9}};
  for (const auto& [frame, padded, period] : cases) {
    cv::Mat src_g(frame, CV_8UC1), mag;
    for (int y = 0; y < frame.height; y++)
      for (int x = 0; x < frame.width; x++)
        src_g.at<uchar>(y, x) = static_cast<uchar>((37 * x + (y % period) * (91 + x * x)) % 256);
    log_magnitude_spectrum(src_g, mag);
    const cv::Mat expected = textbook_spectrum(src_g, padded);
    // Within 1: float against double rounding. cv::norm throws unless mag is 8-bit too.
    ASSERT_EQ(mag.size(), expected.size());
    EXPECT_LE(cv::norm(mag, expected, cv::NORM_INF), 1) << period;
  }
}

// Catches an empty image or a throw where the crop to even counts would leave nothing to swap.
TEST(Spectrum, SingleRowFrameGivesABlackImageOfThePaddedSize) {
  cv::Mat mag;
  log_magnitude_spectrum(cv::Mat(1, 7, CV_8UC1, 90.0), mag);
  EXPECT_TRUE(same(mag, cv::Mat::zeros(1, 8, CV_8UC1)));
}

// Catches a wider aperture, negative responses lost, an inverted mask, `>=` at the Otsu level or
// a fixed level, and a border that is not reflected. A dot of 100 on black answers -400 (clipped
// to 255) and 100 at its four neighbours, and Otsu's level is 0; a dot of 50 puts its neighbours
// at 50, exactly the level, so only the dot is an edge.
TEST(EdgeMask, LoneDotsAndAUniformFrameGiveTheirExactMasks) {
  const auto edges_of = [](const cv::Mat& src_g, cv::Mat lap = {}) {
    laplacian_edge_mask(src_g, lap);
    return lap;
  };
  cv::Mat dot100 = cv::Mat::zeros(7, 7, CV_8UC1);
  dot100.at<uchar>(3, 3) = 100;
  cv::Mat plus = cv::Mat::zeros(7, 7, CV_8UC1), centre = plus.clone();
  plus(cv::Rect(2, 3, 3, 1)) = 255;
  plus(cv::Rect(3, 2, 1, 3)) = 255;
  centre.at<uchar>(3, 3) = 255;
  EXPECT_TRUE(same(edges_of(dot100), plus));
  EXPECT_TRUE(same(edges_of(dot100 / 2), centre));
  EXPECT_TRUE(same(edges_of(cv::Mat(5, 7, CV_8UC1, 120.0)), cv::Mat::zeros(5, 7, CV_8UC1)));
}

// A colour frame in one row whose gray values are exactly the given ones.
cv::Mat gray_row(const std::vector<uchar>& values) {
  cv::Mat colour;
  cv::cvtColor(cv::Mat(values).reshape(1, 1), colour, cv::COLOR_GRAY2BGR);
  return colour;
}

cv::Mat motion_of(const std::vector<cv::Mat>& frames) {
  size_t reads = 0;
  cv::Mat diff;
  three_frame_motion_mask([&](cv::Mat& frame) { frame = frames.at(reads++); }, diff);
  return diff;
}

// Each column is one pixel's history over the three frames; catches a threshold, an OR or a
// logical AND in place of the bitwise one, and a wrong pairing of frames. (A frame size that
// changes is tested through the loop.)
TEST(MotionMask, EachPixelIsTheBitwiseAndOfItsTwoDifferences) {
  const cv::Mat diff = motion_of({gray_row({0, 10, 0, 0, 0, 7}), gray_row({128, 60, 200, 77, 0, 7}),
                                  gray_row({1, 10, 100, 77, 90, 7})});
  EXPECT_TRUE(same(diff, cv::Mat(std::vector<uchar>{0, 50, 64, 0, 0, 0}, true).reshape(1, 1)));
}

}  // namespace
