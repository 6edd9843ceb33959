// SPDX-License-Identifier: Apache-2.0
// The watchdog: the one thread that takes camscope's asynchronous signals and ends the run when a
// guarded wait or a stop signal's grace passes.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "deadline_rules.hpp"

// Takes the signals that arrive on the pipe it is given (see take_over_signals), which it then
// owns: a stop signal waits for the loop to take it (take_stop), and SIGCONT restarts whatever is
// guarded. When what is due passes, writes the run's last words and ends the process with their
// status, or by the stop signal whose grace passed. Signals and deadlines meet in one thread.
class Watchdog {
 public:
  explicit Watchdog(int signal_pipe);
  // Takes no signal: for benchmarks and tests that send none.
  Watchdog();
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // The stop signal that has arrived and not been taken yet, or 0; taking it ends its grace.
  int take_stop();

 private:
  friend class WaitGuard;
  using Clock = DeadlineRules::Clock;

  void run();
  // Wakes the thread when what is due now comes before what it sleeps towards; mutex_ held.
  void watch_sooner();

  std::mutex mutex_;
  DeadlineRules rules_;                            // guarded by mutex_
  std::optional<Clock::time_point> sleeps_until_;  // guarded by mutex_; nothing: until woken
  bool quit_ = false;                              // guarded by mutex_
  int signal_fd_;
  int wake_fd_;
  std::thread thread_;
};

// Guards a wait for its own lifetime, so that no way out of the wait leaves it guarded: a wait that
// has not ended within limit ends the process with status 1 and the message before + the seconds
// waited ("5.0 s") + after. While another guard holds the watchdog, this one guards nothing and
// the wait runs under the other's limit.
class WaitGuard {
 public:
  WaitGuard(Watchdog& watchdog, std::chrono::milliseconds limit, std::string before,
            std::string after);
  ~WaitGuard();
  WaitGuard(const WaitGuard&) = delete;
  WaitGuard& operator=(const WaitGuard&) = delete;

  // How long the wait has lasted, time spent stopped (Ctrl+Z) not counted.
  std::chrono::steady_clock::duration waited() const;

 private:
  Watchdog& watchdog_;
  std::chrono::steady_clock::time_point started_;
  bool guarding_;
};
