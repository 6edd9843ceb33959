// Runs the frame loop in real windows, for camscope and its demo alike.
#pragma once

#include <opencv2/videoio.hpp>

#include "frame_loop.hpp"

// Checks that a window system can be reached, then runs the frame loop on cap with the real
// windows, the console lines on standard output and messages on standard error. Returns the exit
// status: 0 after q, 1 when there is no window system or the run failed.
int run_in_windows(cv::VideoCapture& cap, const ReadPolicy& policy);
