// SPDX-License-Identifier: Apache-2.0
// The rules of the watchdog, as plain data: what is guarded, when it is due, and how the run ends
// when it passes.
#pragma once

#include <chrono>
#include <optional>
#include <string>

// How a run ends when a deadline passes: the message after "program: ", and the exit status.
struct Ending {
  std::string message;
  int status;
};

// A wait guarded against lasting for ever (a camera read, an opening, a window system's answer) and
// a stop signal's grace. The watchdog feeds it the time and the signals; tests feed it a clock of
// their own. One wait at a time: a wait started while another is guarded stays unguarded, under the
// first one's limit.
class DeadlineRules {
 public:
  using Clock = std::chrono::steady_clock;

  // A wait that, unless it ends first, ends the run after limit with status 1 and the message
  // before + the seconds waited ("5.0 s") + after. False when another wait is guarded.
  bool start_wait(Clock::time_point now, Clock::duration limit, std::string before,
                  std::string after);
  void end_wait();

  // A stop signal: unless the loop takes it within kStopGrace, the run ends with "stopped by
  // SIG..." and 128 + signo. While a stop is under way its grace is what is due, the wait's limit
  // no longer; a second stop signal leaves the first one's grace as it is.
  void stop_requested(int signo, Clock::time_point now);

  // The loop takes the stop: its grace is over. Returns its signal, or 0 when none has arrived.
  int take_stop();

  // The process goes on after a pause (Ctrl+Z, SIGSTOP): time spent stopped counts against no
  // limit, so whatever is guarded starts its count again.
  void continued(Clock::time_point now);

  // How long the guarded wait has lasted, since it started or since the last continue.
  Clock::duration waited(Clock::time_point now) const;

  // When the run ends unless something changes first; nothing when nothing is guarded.
  std::optional<Clock::time_point> due() const;

  // How the run ends, once now has reached what is due.
  std::optional<Ending> ending(Clock::time_point now) const;

 private:
  struct Wait {
    Clock::time_point started;
    Clock::duration limit;
    std::string before, after;
  };
  struct Stop {
    int signo;
    Clock::time_point started;
  };
  std::optional<Wait> wait_;
  std::optional<Stop> stop_;
};

// A time waited as the messages say it, to the nearest tenth of a second: "5.0 s".
std::string seconds_text(std::chrono::steady_clock::duration waited);
