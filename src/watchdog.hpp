// SPDX-License-Identifier: Apache-2.0
// The watchdog: the one thread that ends the run when a guarded wait lasts past its limit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Watches one wait at a time, guarded by a WaitGuard, and ends the process when it lasts past its
// limit. Time spent stopped (Ctrl+Z, SIGSTOP) counts against no limit.
class Watchdog {
 public:
  // program starts the messages.
  explicit Watchdog(const char* program = "camscope");
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  friend class WaitGuard;
  struct Wait {
    std::chrono::milliseconds limit;
    std::string before, after;
    std::chrono::steady_clock::duration waited{};
  };

  void run();

  const char* program_;
  std::mutex mutex_;
  std::condition_variable started_or_quit_;
  std::optional<Wait> wait_;    // guarded by mutex_
  unsigned waits_started_ = 0;  // guarded by mutex_; tells one wait from the next
  bool quit_ = false;           // guarded by mutex_
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

  // How long the wait has lasted, time spent stopped not counted.
  std::chrono::steady_clock::duration waited() const;

 private:
  Watchdog& watchdog_;
  std::chrono::steady_clock::time_point started_;
  bool guarding_;
};

// A time waited as the messages say it, to the nearest tenth of a second: "5.0 s".
std::string seconds_text(std::chrono::steady_clock::duration waited);

// Writes "program: message" to standard error and ends the process with status 1 at once, from
// whichever thread sees that the run cannot go on.
[[noreturn]] void end_run(const char* program, const std::string& message);
