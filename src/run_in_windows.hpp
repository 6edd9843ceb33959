// SPDX-License-Identifier: Apache-2.0
// Runs the frame loop in real windows, for camscope and its demo alike.
#pragma once

#include <opencv2/videoio.hpp>

#include "frame_loop.hpp"

// Makes sure the windows can be opened, then runs the frame loop on cap with the real windows and
// the console lines on standard output. Returns 0 after q; throws WindowSystemError when no window
// system can be reached, and what the loop throws.
int run_in_windows(const char* program, cv::VideoCapture& cap, const ReadPolicy& policy,
                   Watchdog& watchdog);
