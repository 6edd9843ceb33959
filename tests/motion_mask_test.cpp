// The motion image: bitwise AND of two absolute differences of three successive frames.
#include "analysis/motion_mask.hpp"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>
#include <vector>

namespace {

// Serves the given frames in turn and counts the reads.
struct FrameList {
  std::vector<cv::Mat> frames;
  size_t reads = 0;
  FrameReader reader() {
    return [this](cv::Mat& frame) { frame = frames.at(reads++).clone(); };
  }
};

// A colour frame in one row whose gray values are exactly the given ones.
cv::Mat gray_row(const std::vector<uchar>& values) {
  cv::Mat gray(values, true);
  cv::Mat colour;
  cv::cvtColor(gray.reshape(1, 1), colour, cv::COLOR_GRAY2BGR);
  return colour;
}

// Each column is one pixel's history over the three frames, and its expected motion value.
// Catches a threshold or logical AND in place of the bitwise one, and a wrong pairing of frames.
TEST(MotionMask, EachPixelIsTheBitwiseAndOfItsTwoDifferences) {
  FrameList list{{gray_row({0, 10, 0, 0, 0, 7}), gray_row({128, 60, 200, 77, 0, 7}),
                  gray_row({1, 10, 100, 77, 90, 7})}};
  cv::Mat diff;
  three_frame_motion_mask(list.reader(), diff);

  EXPECT_EQ(list.reads, 3U);
  ASSERT_EQ(diff.type(), CV_8UC1);
  const std::vector<uchar> expected{0, 50, 64, 0, 0, 0};
  EXPECT_EQ(std::vector<uchar>(diff.begin<uchar>(), diff.end<uchar>()), expected);
}

// Catches an exception, or a stale image, when the camera changes mode between reads.
TEST(MotionMask, FramesOfDifferentSizesGiveBlackImageOfTheThirdSize) {
  const cv::Mat small(4, 4, CV_8UC3, cv::Scalar(9, 9, 9)), large(6, 8, CV_8UC3, cv::Scalar(99));
  FrameList list{{small, small, large}};
  cv::Mat diff(2, 2, CV_8UC1, cv::Scalar(255));
  three_frame_motion_mask(list.reader(), diff);
  EXPECT_EQ(diff.size(), cv::Size(8, 6));
  EXPECT_EQ(diff.type(), CV_8UC1);
  EXPECT_EQ(cv::countNonZero(diff), 0);
}

}  // namespace
