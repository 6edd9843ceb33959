// The edge mask: smallest Laplacian aperture, magnitude only, Otsu's level, values 0 and 255.
#include "analysis/edge_mask.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Catches a border that is not reflected: a uniform frame has no edges, at its rim neither.
TEST(EdgeMask, UniformFrameHasNoEdges) {
  cv::Mat lap;
  laplacian_edge_mask(cv::Mat(5, 7, CV_8UC1, cv::Scalar(120)), lap);
  EXPECT_EQ(lap.size(), cv::Size(7, 5));
  EXPECT_EQ(cv::countNonZero(lap), 0);
}

cv::Mat mask_of_lone_dot(uchar value) {
  cv::Mat src_g = cv::Mat::zeros(7, 7, CV_8UC1);
  src_g.at<uchar>(3, 3) = value;
  cv::Mat lap;
  laplacian_edge_mask(src_g, lap);
  return lap;
}

std::vector<cv::Point> marked(const cv::Mat& mask) {
  std::vector<cv::Point> points;
  cv::findNonZero(mask, points);
  return points;
}

// Catches a wider aperture: with ksize 1 a lone dot answers on its four neighbours (100 each),
// not on its diagonals; its own -400 is clipped to 255. Both lie above Otsu's level, 0 here.
TEST(EdgeMask, LoneDotMarksItselfAndItsFourNeighbours) {
  const std::vector<cv::Point> plus{{3, 2}, {2, 3}, {3, 3}, {4, 3}, {3, 4}};
  EXPECT_EQ(marked(mask_of_lone_dot(100)), plus);
}

// Catches `>=` in the threshold: a dimmer dot's neighbours (50) lie exactly at Otsu's level.
TEST(EdgeMask, ResponseExactlyAtTheOtsuLevelIsNotAnEdge) {
  const std::vector<cv::Point> dot{{3, 3}};
  EXPECT_EQ(marked(mask_of_lone_dot(50)), dot);
}

// Catches a signed response reaching the threshold: the inverted frame has the same edges.
TEST(EdgeMask, InvertedFrameGivesTheSameBinaryMask) {
  cv::Mat src_g(24, 32, CV_8UC1);
  cv::theRNG().state = 11;
  cv::randu(src_g, 0, 256);
  cv::Mat lap, lap_inverted;
  laplacian_edge_mask(src_g, lap);
  laplacian_edge_mask(255 - src_g, lap_inverted);

  EXPECT_EQ(lap.type(), CV_8UC1);
  EXPECT_EQ(cv::countNonZero(lap != lap_inverted), 0);
  EXPECT_EQ(cv::countNonZero(lap == 0) + cv::countNonZero(lap == 255),
            static_cast<int>(lap.total()));
  EXPECT_GT(cv::countNonZero(lap), 0);
}

}  // namespace
