// SPDX-License-Identifier: Apache-2.0
// The binary edge mask of the grayscale frame, shown in "Laplacian".
#pragma once

#include <opencv2/core.hpp>

// Makes lap 255 where the magnitude of src_g's Laplacian lies above the level Otsu's method picks
// for this frame, and 0 everywhere else.
void laplacian_edge_mask(const cv::Mat& src_g, cv::Mat& lap);
