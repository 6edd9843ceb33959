// SPDX-License-Identifier: Apache-2.0
// The frames the stages take: 8-bit colour, and no larger than the loop can analyse.
#pragma once

#include <opencv2/core.hpp>
#include <string>

// The largest frame camscope analyses, in pixels: as many as DCI 8K's 8192 x 4320. An iteration
// costs about 70 bytes of memory and 45 ns for each pixel of the frame: at this size 2.6 GB at the
// peak, windows included, and 1.6 s (see docs/performance.md).
constexpr long long kMaxFramePixels = 8192LL * 4320LL;

// "" when a frame of this size can be analysed, else its size and the limit: "9000 x 5000 pixels
// (45.0 million), more than the 35.4 million (8192 x 4320) that camscope analyses".
std::string frame_size_problem(cv::Size size);

// The limit as those messages end: "the 35.4 million (8192 x 4320) that camscope analyses".
std::string frame_size_limit();

// frame in the form every stage takes, 8-bit three-channel colour (CV_8UC3), in out (which may be
// frame itself): gray and alpha become colour, 16-bit values are divided by 256 (as cv::imread
// does), floating-point values from 0.0 to 1.0 become 0 to 255. False for a form that has no
// colour meaning (two channels, signed values), which leaves out as it was.
bool to_colour_frame(const cv::Mat& frame, cv::Mat& out);
