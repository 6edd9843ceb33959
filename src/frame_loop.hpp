// SPDX-License-Identifier: Apache-2.0
// The frame loop: reads the camera, runs every analysis stage and shows the seven windows.
#pragma once

#include <exception>
#include <opencv2/videoio.hpp>
#include <ostream>

#include "analysis/peak_report.hpp"
#include "camera_reader.hpp"
#include "display.hpp"

class Watchdog;

// The pass over bins 1 to 255 that the two histogram stages share: for each bin, first its peak
// update (peak_report), then its three curve segments (channel_histograms). Returns the peaks.
ChannelPeaks find_peaks_and_draw_curves(const cv::Mat& b_hist, const cv::Mat& g_hist,
                                        const cv::Mat& r_hist, int bin_w, cv::Mat& histImage);

// Runs iterations until the key q (code 113) is pressed, and returns 0 then. Each iteration reads
// four frames from cap: one for the first six windows and the console line on out, three for
// "diff image". A source that comes as fast as it is read is read one frame every
// policy.frame_interval, the windows serviced meanwhile. Throws CameraError, or OpenCV's errors,
// when the run cannot go on, and std::runtime_error when a console line cannot be written to out.
int run_frame_loop(cv::VideoCapture& cap, Display& display, std::ostream& out,
                   const ReadPolicy& policy, Watchdog& watchdog);

// Writes the message for the failure that ended the run to err, after the program's name, and
// returns the exit status, 1.
int report_failure(const std::exception_ptr& failure, const char* program, std::ostream& err);
