// What the program sets up before the loop, and how it turns failures into messages.
#pragma once

#include <exception>
#include <ostream>

// Holds back the stop signals (SIGINT, SIGTERM, SIGHUP) for the loop to notice between iterations,
// ignores SIGPIPE so a closed standard output cannot kill the program, and gives fatal signals a
// last message. Call before any thread starts, so that every thread inherits the blocked set.
void install_signal_handling();

// Makes released image memory stay with the process for the next iteration to reuse.
void keep_freed_memory_for_reuse();

// The stop signal that has arrived since the last call, taken off the pending set, or 0.
int take_stop_signal();

// Whether a window system can be reached: DISPLAY, WAYLAND_DISPLAY or a chosen QT_QPA_PLATFORM.
// Without one, Qt would abort the process at the first window.
bool window_system_available();

// Writes the message for a failure that ended the run to err and returns the exit status, 1.
int report_failure(const std::exception_ptr& failure, std::ostream& err);
