// The edge mask: smallest Laplacian aperture, magnitude only, Otsu's level, values 0 and 255.
#include "analysis/edge_mask.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<cv::Point> edges_of_lone_dot(uchar value) {
  cv::Mat src_g = cv::Mat::zeros(7, 7, CV_8UC1), lap;
  src_g.at<uchar>(3, 3) = value;
  laplacian_edge_mask(src_g, lap);
  std::vector<cv::Point> edges;
  cv::findNonZero(lap, edges);
  return edges;
}

// Catches a wider aperture (ksize 1 answers on the four neighbours, not the diagonals) and `>=`
// in the threshold: a dot of 50 leaves its neighbours at 50, exactly Otsu's level, so not edges;
// a dot of 100 puts them at 100 and itself at 400, clipped to 255, with the level at 0.
TEST(EdgeMask, LoneDotMarksItsNeighboursOnlyAboveTheOtsuLevel) {
  const std::vector<cv::Point> plus{{3, 2}, {2, 3}, {3, 3}, {4, 3}, {3, 4}}, dot{{3, 3}};
  EXPECT_EQ(edges_of_lone_dot(100), plus);
  EXPECT_EQ(edges_of_lone_dot(50), dot);
}

// Catches a signed response reaching the threshold, and a border that is not reflected.
TEST(EdgeMask, InvertedFrameGivesTheSameMaskAndUniformFrameNone) {
  cv::Mat src_g(24, 32, CV_8UC1), lap, lap_inverted, flat;
  cv::theRNG().state = 11;
  cv::randu(src_g, 0, 256);
  laplacian_edge_mask(src_g, lap);
  laplacian_edge_mask(255 - src_g, lap_inverted);
  EXPECT_EQ(cv::norm(lap, lap_inverted, cv::NORM_INF), 0);
  EXPECT_GT(cv::countNonZero(lap), 0);

  laplacian_edge_mask(cv::Mat(5, 7, CV_8UC1, cv::Scalar(120)), flat);
  EXPECT_EQ(flat.size(), cv::Size(7, 5));
  EXPECT_EQ(cv::countNonZero(flat), 0);
}

}  // namespace
