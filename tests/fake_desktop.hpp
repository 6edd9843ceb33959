// SPDX-License-Identifier: Apache-2.0
// The loop's camera and display at once, for the tests that run the loop without either.
#pragma once

#include <chrono>
#include <functional>
#include <opencv2/videoio.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "display.hpp"
#include "frame_loop.hpp"
#include "watchdog.hpp"

// Records the text of the stream at each flush, to tell a line flushed at once from one that waits.
struct FlushRecorder : std::stringbuf {
  std::vector<std::string> at_flush;
  int sync() override {
    at_flush.push_back(str());
    return 0;
  }
};

// Serves the frames given in turn (an empty one is a failed read, and so is every read after the
// last, or before ready_at); the first read calls on_first_read, if any. Keeps a copy of every
// image shown, and answers the iteration's key poll (the one right after "diff image") with the
// keys given, then -1; any other poll (the loop waiting for a paced frame, which may poll for 1 ms
// too) waits its delay and answers -1, or q once q_at has passed. A failure or stop is reported as
// main reports it.
struct FakeDesktop : cv::VideoCapture, Display {
  std::vector<cv::Mat> frames;
  std::vector<int> keys;
  size_t reads = 0, served = 0, polls = 0, waits = 0;
  bool iteration_shown = false;
  bool opens = true;
  std::function<void()> on_first_read;
  std::chrono::steady_clock::time_point ready_at{};
  std::chrono::steady_clock::time_point q_at = std::chrono::steady_clock::time_point::max();
  std::vector<std::pair<std::string, cv::Mat>> shown;
  ReadPolicy policy{"camera 0", 10, std::chrono::milliseconds(5000), std::chrono::milliseconds(0)};
  FlushRecorder console;
  std::ostream out{&console};
  std::ostringstream err;

  bool isOpened() const override { return opens; }
  bool read(cv::OutputArray image) override {
    if (reads++ == 0 && on_first_read)
      on_first_read();
    const bool ready = std::chrono::steady_clock::now() >= ready_at;
    const cv::Mat next = ready && served < frames.size() ? frames[served++] : cv::Mat();
    next.copyTo(image);
    return !next.empty();
  }
  void show(const std::string& title, const cv::Mat& image) override {
    shown.emplace_back(title, image.clone());
    iteration_shown = title == "diff image";
  }
  int poll_key(std::chrono::milliseconds delay) override {
    if (!std::exchange(iteration_shown, false)) {
      ++waits;
      std::this_thread::sleep_for(delay);
      return std::chrono::steady_clock::now() >= q_at ? 'q' : -1;
    }
    return polls < keys.size() ? keys[polls++] : (++polls, -1);
  }
  Watchdog watchdog;
  int run(std::vector<cv::Mat> served_frames, std::vector<int> answers) {
    frames = std::move(served_frames);
    keys = std::move(answers);
    try {
      return run_frame_loop(*this, *this, out, policy, watchdog);
    } catch (...) {
      return report_failure(std::current_exception(), "camscope", err);
    }
  }
};

inline cv::Mat solid(const cv::Scalar& colour, cv::Size size = {8, 6}, int type = CV_8UC3) {
  return cv::Mat(size, type, colour);
}

inline bool same(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}
