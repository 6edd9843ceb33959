// SPDX-License-Identifier: Apache-2.0
// Runs the frame loop in real windows, for camscope and its demo alike.
#pragma once

#include <opencv2/videoio.hpp>

#include "frame_loop.hpp"

// Makes sure the windows can be opened, then runs the frame loop on cap with the real windows, the
// console lines on standard output and messages on standard error. Returns the exit status: 0
// after q, 1 when no window system can be reached or the run failed.
int run_in_windows(cv::VideoCapture& cap, const ReadPolicy& policy);
