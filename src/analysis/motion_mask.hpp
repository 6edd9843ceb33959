// SPDX-License-Identifier: Apache-2.0
// The motion image of three successive frames, shown in "diff image".
#pragma once

#include <opencv2/core.hpp>

#include "camera_reader.hpp"

// Reads three frames through read_next and makes diff the bitwise AND of the absolute differences
// of their grayscale versions (first and second, second and third). When the camera changes its
// frame size within the three reads, diff is black, of the third frame's size.
void three_frame_motion_mask(const FrameReader& read_next, cv::Mat& diff);
