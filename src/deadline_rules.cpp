// SPDX-License-Identifier: Apache-2.0
// The rules of the watchdog, as plain data: what is guarded, when it is due, and how the run ends
// when it passes.
#include "deadline_rules.hpp"

#include <cstring>  // sigabbrev_np

#include "time_limits.hpp"

bool DeadlineRules::start_wait(Clock::time_point now, Clock::duration limit, std::string before,
                               std::string after) {
  if (wait_) {
    return false;
  }
  wait_ = Wait{now, limit, std::move(before), std::move(after)};
  return true;
}

void DeadlineRules::end_wait() {
  wait_.reset();
}

void DeadlineRules::stop_requested(int signo, Clock::time_point now) {
  if (!stop_) {
    stop_ = Stop{signo, now};
  }
}

int DeadlineRules::take_stop() {
  const int signo = stop_ ? stop_->signo : 0;
  stop_.reset();
  return signo;
}

void DeadlineRules::continued(Clock::time_point now) {
  if (wait_) {
    wait_->started = now;
  }
  if (stop_) {
    stop_->started = now;
  }
}

DeadlineRules::Clock::duration DeadlineRules::waited(Clock::time_point now) const {
  return wait_ ? now - wait_->started : Clock::duration::zero();
}

std::optional<DeadlineRules::Clock::time_point> DeadlineRules::due() const {
  if (stop_) {
    return stop_->started + kStopGrace;
  }
  if (wait_) {
    return wait_->started + wait_->limit;
  }
  return std::nullopt;
}

std::optional<Ending> DeadlineRules::ending(Clock::time_point now) const {
  const std::optional<Clock::time_point> when = due();
  if (!when || now < *when) {
    return std::nullopt;
  }
  if (stop_) {
    return Ending{std::string("stopped by SIG") + sigabbrev_np(stop_->signo), 128 + stop_->signo};
  }
  return Ending{wait_->before + seconds_text(now - wait_->started) + wait_->after, 1};
}

std::string seconds_text(std::chrono::steady_clock::duration waited) {
  const auto tenths =
      (std::chrono::duration_cast<std::chrono::milliseconds>(waited).count() + 50) / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}
