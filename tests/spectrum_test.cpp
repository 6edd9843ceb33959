// The spectrum image: padded and cropped size, zero frequency in the centre, full 0..255 span.
#include "analysis/spectrum.hpp"

#include <gtest/gtest.h>

namespace {

class SpectrumOfSize : public ::testing::TestWithParam<std::pair<cv::Size, cv::Size>> {};

// Catches a transform over the frame's own size, a missing crop of odd counts, quarters swapped
// the wrong way (the centre would not be the brightest pixel) and a range other than 0..255.
TEST_P(SpectrumOfSize, IsPaddedCroppedCentredAndStretched) {
  cv::Mat src_g(GetParam().first, CV_8UC1), mag;
  cv::theRNG().state = 7;
  cv::randu(src_g, 0, 256);
  log_magnitude_spectrum(src_g, mag);

  ASSERT_EQ(mag.type(), CV_8UC1);
  ASSERT_EQ(mag.size(), GetParam().second);
  double lowest = 0, highest = 0;
  cv::minMaxLoc(mag, &lowest, &highest);
  EXPECT_EQ(lowest, 0);
  EXPECT_EQ(highest, 255);
  EXPECT_EQ(mag.at<uchar>(mag.rows / 2, mag.cols / 2), 255);
}

INSTANTIATE_TEST_SUITE_P(Frames, SpectrumOfSize,
                         ::testing::Values(std::pair(cv::Size(640, 480), cv::Size(640, 480)),
                                           std::pair(cv::Size(352, 288), cv::Size(360, 288)),
                                           std::pair(cv::Size(243, 125), cv::Size(242, 124))));

// Catches garbage from equal log-magnitudes, and an empty image or an exception where the crop
// would leave nothing.
TEST(Spectrum, BlackFrameAndSingleRowOrColumnGiveBlackImages) {
  for (const auto& [src_g, padded] : {std::pair(cv::Mat(6, 10, CV_8UC1, 0.0), cv::Size(10, 6)),
                                      std::pair(cv::Mat(1, 7, CV_8UC1, 90.0), cv::Size(8, 1)),
                                      std::pair(cv::Mat(11, 1, CV_8UC1, 90.0), cv::Size(1, 12))}) {
    cv::Mat mag;
    log_magnitude_spectrum(src_g, mag);
    EXPECT_EQ(mag.size(), padded);
    EXPECT_EQ(mag.type(), CV_8UC1);
    EXPECT_EQ(cv::countNonZero(mag), 0);
  }
}

}  // namespace
