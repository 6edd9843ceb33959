// SPDX-License-Identifier: Apache-2.0
// The pace of frames that would otherwise come as fast as they can be read: one every interval.
#pragma once

#include <algorithm>
#include <chrono>

class FramePacer {
 public:
  using Clock = std::chrono::steady_clock;

  explicit FramePacer(std::chrono::nanoseconds interval) : interval_(interval) {}

  // When the frame asked for at now is due, booking it: the first at once, each later one an
  // interval after the one before. A reader that falls behind is served at once and the next frame
  // an interval after that: no burst of frames to catch up, as a camera drops the frames nobody
  // read.
  Clock::time_point next(Clock::time_point now) {
    const Clock::time_point due = std::max(due_, now);
    due_ = due + interval_;
    return due;
  }

 private:
  std::chrono::nanoseconds interval_;
  Clock::time_point due_{};  // long past, so the first frame is due when it is asked for
};
