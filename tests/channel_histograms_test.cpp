// The histograms and their plot: bin 0 left out, scaling to 400, plot geometry, clearing.
#include <gtest/gtest.h>

#include "histogram_helpers.hpp"

namespace {

const cv::Vec3b kBlue(255, 0, 0);

int differing_pixels(const cv::Mat& a, const cv::Mat& b) {
  cv::Mat diff;
  cv::absdiff(a, b, diff);
  return cv::countNonZero(diff.reshape(1));
}

// Catches bin 0 taking part in the scale, a wrong bin width or an upside-down y axis.
TEST(ChannelHistograms, BlueSpikeAtValue200IsScaledToThePlotTopWithoutBinZero) {
  HistogramRun run;
  run.plot(frame_of({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {200, 0, 0}}));

  EXPECT_FLOAT_EQ(run.b_hist.at<float>(0), 0.0F);
  EXPECT_FLOAT_EQ(run.b_hist.at<float>(200), 400.0F);
  EXPECT_EQ(cv::countNonZero(run.b_hist), 1);
  EXPECT_EQ(cv::countNonZero(run.g_hist), 0);
  // The spike's vertex is (400, 0); its flanks leave (398, 400) and reach (402, 400).
  EXPECT_EQ(run.histImage.at<cv::Vec3b>(0, 400), kBlue);
  // The 2-pixel-thick spike covers columns 399..401 on the top row, 398..402 half-way down.
  for (int x = 380; x < 420; x++) {
    EXPECT_EQ(run.histImage.at<cv::Vec3b>(0, x) == kBlue, x >= 399 && x <= 401) << x;
    EXPECT_EQ(run.histImage.at<cv::Vec3b>(200, x) == kBlue, x >= 398 && x <= 402) << x;
  }
  // Everything else above the last row is black: zero bins lie on y = 400, below the plot.
  cv::Mat rest = run.histImage(cv::Rect(0, 0, 512, 399)).clone();
  rest.colRange(396, 405).setTo(cv::Scalar::all(0));
  EXPECT_EQ(cv::countNonZero(rest.reshape(1)), 0);
}

// Catches black pixels leaking into the scale: only bins 1..255 may shape the plot.
TEST(ChannelHistograms, NumberOfBlackPixelsDoesNotChangeThePlot) {
  const cv::Mat few_black = frame_of({{10, 20, 30}, {10, 20, 30}, {40, 50, 60}, {0, 0, 0}});
  cv::Mat many_black(4, 4, CV_8UC3, cv::Scalar(0, 0, 0));
  few_black.copyTo(many_black.row(2));
  HistogramRun a, b;
  a.run(few_black);
  b.run(many_black);
  EXPECT_EQ(differing_pixels(a.histImage, b.histImage), 0);
}

// Catches a plot that is not cleared between frames, and an all-zero histogram that is not flat.
TEST(ChannelHistograms, BlackFrameAfterATallCurveLeavesOnlyFlatCurvesAtTheBottom) {
  HistogramRun run;
  run.run(frame_of({{200, 100, 50}, {7, 8, 9}}));
  run.run(cv::Mat(3, 3, CV_8UC3, cv::Scalar(0, 0, 0)));

  EXPECT_EQ(
      cv::countNonZero(run.b_hist) + cv::countNonZero(run.g_hist) + cv::countNonZero(run.r_hist),
      0);
  // Everything left is the flat curves on the last row and the peak markers on columns 0..1.
  const cv::Mat above_bottom = run.histImage(cv::Rect(2, 0, 510, 399)).reshape(1);
  EXPECT_EQ(cv::countNonZero(above_bottom), 0);
}

}  // namespace
