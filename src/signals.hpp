// SPDX-License-Identifier: Apache-2.0
// Signals: stop requests end the loop between iterations, fatal ones leave a last message.
#pragma once

// Holds back the stop signals (SIGINT, SIGTERM, SIGHUP) for the loop to notice between iterations,
// ignores SIGPIPE so a closed standard output cannot kill the program, and gives fatal signals a
// last message. Call before any thread starts, so that every thread inherits the blocked set.
void install_signal_handling();

// The stop signal that has arrived since the last call, taken off the pending set, or 0.
int take_stop_signal();
