// The spectrum image: padded and cropped size, zero frequency in the centre, full 0..255 span.
#include "analysis/spectrum.hpp"

#include <gtest/gtest.h>

namespace {

struct SpectrumCase {
  cv::Size frame, expected;
};

class SpectrumSizes : public ::testing::TestWithParam<SpectrumCase> {};

// Catches a transform over the frame's own size, a missing crop of odd counts, quarters swapped
// the wrong way (the centre would not be the brightest pixel) and a range other than 0..255.
TEST_P(SpectrumSizes, IsPaddedCroppedCentredAndStretched) {
  cv::Mat src_g(GetParam().frame, CV_8UC1);
  cv::theRNG().state = 7;
  cv::randu(src_g, 0, 256);
  cv::Mat mag;
  log_magnitude_spectrum(src_g, mag);

  ASSERT_EQ(mag.type(), CV_8UC1);
  ASSERT_EQ(mag.size(), GetParam().expected);
  double lowest = 0, highest = 0;
  cv::minMaxLoc(mag, &lowest, &highest);
  EXPECT_EQ(lowest, 0);
  EXPECT_EQ(highest, 255);
  EXPECT_EQ(mag.at<uchar>(mag.rows / 2, mag.cols / 2), 255);
}

INSTANTIATE_TEST_SUITE_P(Frames, SpectrumSizes,
                         ::testing::Values(SpectrumCase{{640, 480}, {640, 480}},
                                           SpectrumCase{{352, 288}, {360, 288}},
                                           SpectrumCase{{243, 125}, {242, 124}}));

// Catches a division by a zero range: equal log-magnitudes must give black, not garbage.
TEST(Spectrum, BlackFrameGivesBlackImage) {
  cv::Mat mag;
  log_magnitude_spectrum(cv::Mat::zeros(6, 10, CV_8UC1), mag);
  EXPECT_EQ(mag.size(), cv::Size(10, 6));
  EXPECT_EQ(cv::countNonZero(mag), 0);
}

// Catches an empty image or an exception where the crop would leave nothing.
TEST(Spectrum, SingleRowOrColumnGivesBlackImageOfThePaddedSize) {
  cv::Mat mag;
  log_magnitude_spectrum(cv::Mat(1, 7, CV_8UC1, cv::Scalar(90)), mag);
  EXPECT_EQ(mag.size(), cv::Size(8, 1));
  EXPECT_EQ(mag.type(), CV_8UC1);
  EXPECT_EQ(cv::countNonZero(mag), 0);
  log_magnitude_spectrum(cv::Mat(11, 1, CV_8UC1, cv::Scalar(90)), mag);
  EXPECT_EQ(mag.size(), cv::Size(1, 12));
}

}  // namespace
