// The frame loop: reads the camera, runs every analysis stage and shows the seven windows.
#pragma once

#include <chrono>
#include <opencv2/videoio.hpp>
#include <ostream>
#include <stdexcept>
#include <string>

#include "display.hpp"

// How the loop treats a camera that delivers no frame.
struct ReadPolicy {
  std::string camera_name = "camera 0";        // as the messages name it
  int max_tries = 10;                          // failed reads in a row before giving up
  std::chrono::milliseconds timeout{5000};     // time without a frame before giving up
  std::chrono::milliseconds retry_pause{100};  // gives a hiccuping driver time to recover
};

// The camera stopped delivering frames, or delivers frames the stages cannot take.
class CameraError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the next frame into frame, retrying empty reads; frame is then never empty and always
// 8-bit three-channel. Throws CameraError when the camera gives up or delivers another format.
void read_frame(cv::VideoCapture& cap, cv::Mat& frame, const ReadPolicy& policy);

// Runs iterations until the key q (code 113) is pressed, and returns 0 then; returns 128 plus the
// signal's number, after a message on err, when SIGINT, SIGTERM or SIGHUP arrives. Each iteration
// reads four frames from cap: one for the first six windows and the console line on out, three
// for "diff image". Throws CameraError, or OpenCV's errors, when the run cannot go on.
int run_frame_loop(cv::VideoCapture& cap, Display& display, std::ostream& out, std::ostream& err,
                   const ReadPolicy& policy);
