// The motion image: bitwise AND of two absolute differences of three successive frames.
#include "analysis/motion_mask.hpp"

#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

namespace {

// A colour frame in one row whose gray values are exactly the given ones.
cv::Mat gray_row(const std::vector<uchar>& values) {
  cv::Mat colour;
  cv::cvtColor(cv::Mat(values, true).reshape(1, 1), colour, cv::COLOR_GRAY2BGR);
  return colour;
}

// Each column is one pixel's history over the three frames, and its expected motion value.
// Catches a threshold or logical AND in place of the bitwise one, and a wrong pairing of frames.
TEST(MotionMask, EachPixelIsTheBitwiseAndOfItsTwoDifferences) {
  const std::vector<cv::Mat> frames{gray_row({0, 10, 0, 0, 0, 7}),
                                    gray_row({128, 60, 200, 77, 0, 7}),
                                    gray_row({1, 10, 100, 77, 90, 7})};
  size_t reads = 0;
  cv::Mat diff;
  three_frame_motion_mask([&](cv::Mat& frame) { frame = frames.at(reads++); }, diff);

  EXPECT_EQ(reads, 3U);
  ASSERT_EQ(diff.type(), CV_8UC1);
  EXPECT_EQ(std::vector<uchar>(diff.begin<uchar>(), diff.end<uchar>()),
            std::vector<uchar>({0, 50, 64, 0, 0, 0}));
}

}  // namespace
