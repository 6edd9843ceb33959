// SPDX-License-Identifier: Apache-2.0
// Runs the frame loop in real windows, for camscope and its demo alike.
#pragma once

#include <opencv2/videoio.hpp>

#include "frame_loop.hpp"
#include "window_system.hpp"

// Runs the frame loop on cap in real windows on the window system chosen at start-up, with the
// console lines on standard output. Returns 0 after q; throws std::runtime_error with the choice's
// failure when no window can be opened, and what the loop throws.
int run_in_windows(const char* program, const WindowSystem& windows, cv::VideoCapture& cap,
                   const ReadPolicy& policy, Watchdog& watchdog);
