// SPDX-License-Identifier: Apache-2.0
// The frame loop: reads the camera, runs every analysis stage and shows the seven windows.
#pragma once

#include <opencv2/videoio.hpp>
#include <ostream>

#include "camera_reader.hpp"
#include "display.hpp"

class Watchdog;

// Runs iterations until the key q (code 113) is pressed, and returns 0 then. Each iteration reads
// four frames from cap: one for the first six windows and the console line on out, three for
// "diff image". Throws StopRequest after the iteration in which SIGINT, SIGTERM or SIGHUP reached
// the watchdog; throws CameraError, or OpenCV's errors, when the run cannot go on, and
// std::runtime_error when a console line cannot be written to out.
int run_frame_loop(cv::VideoCapture& cap, Display& display, std::ostream& out,
                   const ReadPolicy& policy, Watchdog& watchdog);
