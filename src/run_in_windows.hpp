// SPDX-License-Identifier: Apache-2.0
// Runs the frame loop in real windows, for camscope and its demo alike.
#pragma once

#include <opencv2/videoio.hpp>

#include "frame_loop.hpp"

// Makes sure the windows can be opened, then runs the frame loop on cap with the real windows, the
// console lines on standard output and messages, starting with program, on standard error.
// Returns the exit status: 0 after q, 128 plus N after stop signal N, 1 when no window system can
// be reached or the run failed.
int run_in_windows(const char* program, cv::VideoCapture& cap, const ReadPolicy& policy);
