// SPDX-License-Identifier: Apache-2.0
// Signals: stop requests end the loop after its iteration, or after a grace when the loop is stuck;
// fatal ones leave a last message.
#pragma once

#include <chrono>
#include <exception>

// How long a stop signal waits for the loop to finish its iteration before it ends the process.
constexpr std::chrono::milliseconds kStopGrace{2000};

// Makes the stop signals (SIGINT, SIGTERM, SIGHUP) end the loop after its iteration, or the process
// kStopGrace later, with "program: stopped by SIG..." and 128 plus the signal's number either way,
// unless the signal was ignored when the process started (nohup): that one stays ignored;
// ignores SIGPIPE so a closed standard output cannot kill the program; and gives fatal signals a
// last message. Messages start with program, a string that lives as long as the process.
void install_signal_handling(const char* program);

// The stop signal that has arrived and not been taken yet, or 0; taking it ends its grace.
int take_stop_signal();

// Thrown by the loop when a stop signal has arrived; it ends the run with 128 plus signo.
struct StopRequest : std::exception {
  explicit StopRequest(int signal_number) : signo(signal_number) {}
  const char* what() const noexcept override { return "stopped by a signal"; }
  int signo;
};
