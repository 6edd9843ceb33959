// The peaks: bin 0 never a peak unless nothing else is, lowest bin wins ties, console line,
// markers and swatch.
#include <gtest/gtest.h>

#include "histogram_helpers.hpp"

namespace {

const cv::Vec3b kBlue(255, 0, 0), kGreen(0, 255, 0), kRed(0, 0, 255);

// Catches the wrong console format or channel order, bin 0 taken as a peak, markers in the wrong
// column or not over the full height, and a swatch in the wrong channel order.
TEST(PeakReport, PeaksOfAFrameMostlyBlackAreReportedMarkedAndFilled) {
  HistogramRun run;
  cv::Mat frame(10, 10, CV_8UC3, cv::Scalar(0, 0, 0));
  frame.at<cv::Vec3b>(4, 4) = cv::Vec3b(30, 60, 90);
  run.run(frame, 4294967296);  // past the 32-bit range: must print in full

  EXPECT_EQ(run.console.str(), " Red = 90 Green = 60 Blue = 30 Frame_num = 4294967296\n");
  for (int row : {0, 200, 399}) {
    EXPECT_EQ(run.histImage.at<cv::Vec3b>(row, 60), kBlue) << row;
    EXPECT_EQ(run.histImage.at<cv::Vec3b>(row, 120), kGreen) << row;
    EXPECT_EQ(run.histImage.at<cv::Vec3b>(row, 180), kRed) << row;
  }
  EXPECT_EQ(
      cv::countNonZero(run.histmax_img.reshape(1) !=
                       cv::Mat(run.histmax_img.size(), CV_8UC3, cv::Scalar(30, 60, 90)).reshape(1)),
      0);
  EXPECT_EQ(run.histmax_img.size(), cv::Size(400, 400));
}

// Catches `>=` in the search, which would move the peak to the last of equal bins.
TEST(PeakReport, EqualBinsKeepTheLowestIndex) {
  HistogramRun run;
  run.run(frame_of({{50, 0, 80}, {80, 0, 50}, {0, 0, 0}}));
  EXPECT_EQ(run.peaks.b_peak, 50);
  EXPECT_EQ(run.peaks.r_peak, 50);
  EXPECT_EQ(run.peaks.g_peak, 0);
}

// Catches a search that starts anywhere but bin 0 or skips bin 255, and the marker draw order.
TEST(PeakReport, BlackAndWhiteFramesGivePeaksZeroAndTwoHundredFiftyFive) {
  HistogramRun black;
  black.run(cv::Mat(2, 2, CV_8UC3, cv::Scalar(0, 0, 0)), 1);
  EXPECT_EQ(black.console.str(), " Red = 0 Green = 0 Blue = 0 Frame_num = 1\n");
  EXPECT_EQ(black.histImage.at<cv::Vec3b>(100, 0), kRed);  // red is drawn last, on top
  EXPECT_EQ(cv::countNonZero(black.histmax_img.reshape(1)), 0);

  HistogramRun white;
  white.run(cv::Mat(2, 2, CV_8UC3, cv::Scalar(255, 255, 255)));
  EXPECT_EQ(white.peaks.r_peak, 255);
  EXPECT_EQ(white.peaks.b_peak, 255);
  EXPECT_EQ(white.histImage.at<cv::Vec3b>(100, 510), kRed);
  EXPECT_EQ(white.histmax_img.at<cv::Vec3b>(399, 399), cv::Vec3b(255, 255, 255));
}

}  // namespace
