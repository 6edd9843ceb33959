// SPDX-License-Identifier: Apache-2.0
// Signals: stop requests end the loop between iterations, fatal ones leave a last message.
#pragma once

#include <exception>

// Holds back the stop signals (SIGINT, SIGTERM, SIGHUP) for the loop to notice between iterations,
// ignores SIGPIPE so a closed standard output cannot kill the program, and gives fatal signals a
// last message that starts with program (a string that lives as long as the process). Call before
// any thread starts, so that every thread inherits the blocked set.
void install_signal_handling(const char* program);

// The stop signal that has arrived since the last call, taken off the pending set, or 0.
int take_stop_signal();

// Thrown by the loop when a stop signal has arrived; it ends the run with 128 plus signo.
struct StopRequest : std::exception {
  explicit StopRequest(int signal_number) : signo(signal_number) {}
  const char* what() const noexcept override { return "stopped by a signal"; }
  int signo;
};
