// SPDX-License-Identifier: Apache-2.0
// The last resort against a wait without end: a timer that ends the process with a message when a
// camera, a stream or a window system does not answer in time, or when the way out after a stop
// signal takes too long. Time the process spends stopped (Ctrl+Z, SIGSTOP) counts against no limit.
#pragma once

#include <chrono>
#include <initializer_list>
#include <string>

// Installs the timer's handler (SIGALRM) and the one that restarts a wait when the process is
// continued (SIGCONT); messages start with program, a string that lives as long as the process.
// install_signal_handling calls it.
void install_deadline_handler(const char* program);

// Writes "program: " and the texts to standard error with async-signal-safe calls only: the last
// words of a signal handler.
void write_last_words(std::initializer_list<const char*> texts);

// How many times the process has been continued after a stop; a wait that sees it change starts
// its count of time again.
unsigned resume_count();

// Holds a deadline for its own lifetime, so that no way out of the wait leaves it armed. A wait
// that has not ended by started + limit ends the process with status 1 and the message: program,
// ": ", before, the seconds waited since started (as "5.0 s"), after. The two texts must outlive
// the guard. Does nothing while a stop is under way, its own deadline being the nearer, or while
// another guard holds the timer.
class WaitDeadline {
 public:
  WaitDeadline(std::chrono::steady_clock::time_point started, std::chrono::milliseconds limit,
               const std::string& before, const std::string& after);
  ~WaitDeadline();
  WaitDeadline(const WaitDeadline&) = delete;
  WaitDeadline& operator=(const WaitDeadline&) = delete;

 private:
  bool armed_ = false;
};

// Called from the stop signals' handler, so async-signal-safe: unless the loop takes the stop
// (take_stop_deadline) within grace, the process ends with "program: stopped by SIG..." and
// status 128 plus signo, the message the loop would have written.
void arm_stop_deadline(int signo, std::chrono::milliseconds grace);

// The loop has reached the stop: the deadline is off, and the stop signal's number returned; 0 when
// no stop signal has arrived.
int take_stop_deadline();

// How long the camera was waited for, as the messages say it, to the nearest tenth: "5.0 s".
std::string seconds_text(std::chrono::steady_clock::duration waited);
