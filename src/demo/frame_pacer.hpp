// SPDX-License-Identifier: Apache-2.0
// Paces made-up or recorded frames like a camera's: one every frame interval.
#pragma once

#include <algorithm>
#include <chrono>
#include <thread>

class FramePacer {
 public:
  explicit FramePacer(std::chrono::nanoseconds interval) : interval_(interval) {}

  // Waits until the next frame is due; the first is due at once, whenever it is asked for. A
  // reader that falls behind is not served a burst of frames to catch up, as a camera drops the
  // frames nobody read.
  void wait_for_next() {
    if (interval_.count() <= 0) {
      return;
    }
    if (due_ == std::chrono::steady_clock::time_point{}) {
      due_ = std::chrono::steady_clock::now();
    }
    std::this_thread::sleep_until(due_);
    due_ = std::max(due_ + interval_, std::chrono::steady_clock::now());
  }

 private:
  std::chrono::nanoseconds interval_;
  std::chrono::steady_clock::time_point due_{};  // none before the first frame
};
