// The histogram plot and its peaks: bin 0 left out, plot geometry, tie rule, console line, swatch.
#include <gtest/gtest.h>

#include "histograms_helper.hpp"

namespace {

const cv::Vec3b kBlue(255, 0, 0), kGreen(0, 255, 0), kRed(0, 0, 255);

cv::Mat frame_of(const std::vector<cv::Vec3b>& pixels) {
  return cv::Mat(pixels, true).t();
}

// Catches bin 0 in the scale, a wrong bin width, an upside-down axis and a plot not cleared.
TEST(ChannelHistograms, BlueSpikeAtValue200ReachesThePlotTopOnAFreshPlot) {
  Histograms h;
  h.run(frame_of({{9, 99, 199}, {40, 50, 60}}));  // tall curves first, which must not survive
  h.run(frame_of({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {200, 0, 0}}), 1, false);

  EXPECT_FLOAT_EQ(h.b_hist.at<float>(0), 0.0F);
  EXPECT_FLOAT_EQ(h.b_hist.at<float>(200), 400.0F);
  EXPECT_EQ(cv::countNonZero(h.b_hist) + cv::countNonZero(h.g_hist), 1);
  // The vertex (400, 0), 2 pixels thick; its flanks leave (398, 400) and reach (402, 400).
  for (int x = 380; x < 420; x++) {
    EXPECT_EQ(h.histImage.at<cv::Vec3b>(0, x) == kBlue, x >= 399 && x <= 401) << x;
    EXPECT_EQ(h.histImage.at<cv::Vec3b>(200, x) == kBlue, x >= 398 && x <= 402) << x;
  }
  // All else above the last row is black: zero bins lie on y = 400, just below the plot.
  cv::Mat rest = h.histImage(cv::Rect(0, 0, 512, 399)).clone();
  rest.colRange(396, 405).setTo(cv::Scalar::all(0));
  EXPECT_EQ(cv::countNonZero(rest.reshape(1)), 0);
}

// Catches the wrong console format or order, a 32-bit counter, bin 0 as a peak, markers off their
// column or short of the full height, and a swatch in the wrong channel order.
TEST(PeakReport, PeaksOfAFrameMostlyBlackAreReportedMarkedAndFilled) {
  Histograms h;
  cv::Mat frame(10, 10, CV_8UC3, cv::Scalar(0, 0, 0));
  frame.at<cv::Vec3b>(4, 4) = cv::Vec3b(30, 60, 90);
  h.run(frame, 4294967296);

  EXPECT_EQ(h.console.str(), " Red = 90 Green = 60 Blue = 30 Frame_num = 4294967296\n");
  for (int row : {0, 200, 399}) {
    EXPECT_EQ(h.histImage.at<cv::Vec3b>(row, 60), kBlue) << row;
    EXPECT_EQ(h.histImage.at<cv::Vec3b>(row, 120), kGreen) << row;
    EXPECT_EQ(h.histImage.at<cv::Vec3b>(row, 180), kRed) << row;
  }
  EXPECT_TRUE(filled_with(h.histmax_img, cv::Scalar(30, 60, 90)));
}

// Catches `>=` in the search (last of equal bins), a search that skips bin 255 and the marker
// order where peaks share a column (red drawn last).
TEST(PeakReport, TiesKeepTheLowestBinAndBlackOrWhiteFramesPeakAtTheEnds) {
  Histograms tie, black, white;
  tie.run(frame_of({{50, 0, 80}, {80, 0, 50}, {0, 0, 0}}));
  EXPECT_EQ(tie.console.str(), " Red = 50 Green = 0 Blue = 50 Frame_num = 1\n");
  black.run(cv::Mat(2, 2, CV_8UC3, cv::Scalar(0, 0, 0)));
  EXPECT_EQ(black.histImage.at<cv::Vec3b>(100, 0), kRed);
  EXPECT_TRUE(filled_with(black.histmax_img, cv::Scalar(0, 0, 0)));
  white.run(cv::Mat(2, 2, CV_8UC3, cv::Scalar(255, 255, 255)));
  EXPECT_EQ(white.console.str(), " Red = 255 Green = 255 Blue = 255 Frame_num = 1\n");
  EXPECT_EQ(white.histImage.at<cv::Vec3b>(100, 510), kRed);
}

}  // namespace
