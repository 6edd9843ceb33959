// Every stage on frames of random size and content (fixed seeds): what must hold for any frame.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "analysis/edge_mask.hpp"
#include "analysis/motion_mask.hpp"
#include "analysis/spectrum.hpp"
#include "histograms_helper.hpp"

namespace {

// The lowest value in 1..255 that is most frequent in the plane, or 0 if the plane is all 0.
int most_frequent_nonzero(const cv::Mat& plane) {
  std::vector<int> counts(256, 0);
  for (auto it = plane.begin<uchar>(); it != plane.end<uchar>(); ++it)
    counts[*it]++;
  counts[0] = 0;
  return static_cast<int>(std::max_element(counts.begin(), counts.end()) - counts.begin());
}

class RandomFrames : public ::testing::TestWithParam<int> {};

// Catches crashes and exceptions on small, thin and odd frames, and any result out of its form.
TEST_P(RandomFrames, EveryStageKeepsItsInvariants) {
  cv::RNG rng(static_cast<uint64_t>(GetParam()));
  for (int round = 0; round < 40; round++) {
    const int rows = round % 5 == 0 ? 1 : rng.uniform(1, 131);
    const int cols = round % 7 == 0 ? 1 : rng.uniform(1, 131);
    std::vector<cv::Mat> frames(3);
    for (cv::Mat& frame : frames) {
      frame.create(rows, cols, CV_8UC3);
      rng.fill(frame, cv::RNG::UNIFORM, 0, round % 3 == 0 ? 4 : 256);  // also few distinct values
    }
    const cv::Mat& src = frames[0];
    SCOPED_TRACE(testing::Message() << rows << "x" << cols << " round " << round);

    Histograms h;
    ASSERT_NO_THROW(h.run(src));
    std::vector<cv::Mat> planes;
    cv::split(src, planes);
    EXPECT_EQ(h.peaks.b_peak, most_frequent_nonzero(planes[0]));
    EXPECT_EQ(h.peaks.r_peak, most_frequent_nonzero(planes[2]));
    EXPECT_TRUE(
        filled_with(h.histmax_img, cv::Scalar(h.peaks.b_peak, h.peaks.g_peak, h.peaks.r_peak)));

    cv::Mat src_g, mag, lap, diff;
    cv::cvtColor(src, src_g, cv::COLOR_BGR2GRAY);
    ASSERT_NO_THROW(log_magnitude_spectrum(src_g, mag));
    const bool thin = rows < 2 || cols < 2;
    const int crop = thin ? -1 : -2;  // a thin frame's black image keeps its padded size
    EXPECT_EQ(mag.type(), CV_8UC1);
    EXPECT_EQ(mag.rows, cv::getOptimalDFTSize(rows) & crop);
    EXPECT_EQ(mag.cols, cv::getOptimalDFTSize(cols) & crop);
    double lowest = 0, highest = 0;
    cv::minMaxLoc(mag, &lowest, &highest);
    EXPECT_TRUE(lowest == highest || (lowest == 0 && highest == 255));

    ASSERT_NO_THROW(laplacian_edge_mask(src_g, lap));
    EXPECT_EQ(lap.size(), src_g.size());
    EXPECT_EQ(cv::countNonZero(lap) + cv::countNonZero(lap == 0), rows * cols);
    EXPECT_EQ(cv::countNonZero(lap == 255), cv::countNonZero(lap));

    size_t next = 0;
    ASSERT_NO_THROW(three_frame_motion_mask([&](cv::Mat& f) { f = frames[next++]; }, diff));
    cv::Mat gray[3], diff1, diff2;
    for (int i = 0; i < 3; i++)
      cv::cvtColor(frames[i], gray[i], cv::COLOR_BGR2GRAY);
    cv::absdiff(gray[0], gray[1], diff1);
    cv::absdiff(gray[1], gray[2], diff2);
    EXPECT_EQ(cv::countNonZero(diff > cv::min(diff1, diff2)), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomFrames, ::testing::Values(1, 2, 3));

}  // namespace
