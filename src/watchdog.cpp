// SPDX-License-Identifier: Apache-2.0
// The watchdog: the one thread that ends the run when a guarded wait lasts past its limit.
#include "watchdog.hpp"

#include <unistd.h>

#include <cstdlib>

namespace {

// The watchdog counts a guarded wait in short sleeps of its own rather than by the clock across
// the wait: a sleep that lasted far longer than asked slept through a stop (Ctrl+Z), and counts
// as one tick. A busy machine's lateness stays well below kStopped.
constexpr std::chrono::milliseconds kTick{20};
constexpr std::chrono::milliseconds kStopped{250};

}  // namespace

Watchdog::Watchdog(const char* program) : program_(program), thread_([this] { run(); }) {}

Watchdog::~Watchdog() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  started_or_quit_.notify_one();
  thread_.join();
}

void Watchdog::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!quit_) {
    if (!wait_) {
      started_or_quit_.wait(lock);
      continue;
    }
    const unsigned watched = waits_started_;
    const auto before = std::chrono::steady_clock::now();
    started_or_quit_.wait_for(lock, kTick);
    const auto slept = std::chrono::steady_clock::now() - before;
    if (!wait_ || waits_started_ != watched) {
      continue;  // that wait ended meanwhile
    }
    wait_->waited += slept < kStopped ? slept : kTick;
    if (wait_->waited >= wait_->limit) {
      end_run(program_, wait_->before + seconds_text(wait_->waited) + wait_->after);
    }
  }
}

WaitGuard::WaitGuard(Watchdog& watchdog, std::chrono::milliseconds limit, std::string before,
                     std::string after)
    : watchdog_(watchdog), started_(std::chrono::steady_clock::now()) {
  {
    const std::lock_guard<std::mutex> lock(watchdog_.mutex_);
    guarding_ = !watchdog_.wait_;
    if (guarding_) {
      watchdog_.wait_ = Watchdog::Wait{limit, std::move(before), std::move(after)};
      watchdog_.waits_started_++;
    }
  }
  watchdog_.started_or_quit_.notify_one();
}

WaitGuard::~WaitGuard() {
  if (guarding_) {
    const std::lock_guard<std::mutex> lock(watchdog_.mutex_);
    watchdog_.wait_.reset();
  }
}

std::chrono::steady_clock::duration WaitGuard::waited() const {
  if (!guarding_) {
    return std::chrono::steady_clock::now() - started_;
  }
  const std::lock_guard<std::mutex> lock(watchdog_.mutex_);
  return watchdog_.wait_->waited;
}

std::string seconds_text(std::chrono::steady_clock::duration waited) {
  const auto tenths =
      (std::chrono::duration_cast<std::chrono::milliseconds>(waited).count() + 50) / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

void end_run(const char* program, const std::string& message) {
  const std::string text = std::string(program) + ": " + message + "\n";
  (void)!write(STDERR_FILENO, text.data(), text.size());  // nothing is left to do if it fails
  _exit(1);
}
