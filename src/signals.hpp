// SPDX-License-Identifier: Apache-2.0
// Signals, set up first thing in main: stop signals and continues handed to the watchdog through a
// pipe, last words for the fatal ones, and the end of a run by the signal that stopped it.
#pragma once

#include <exception>
#include <initializer_list>

// Has SIGCONT and those stop signals (SIGINT, SIGTERM, SIGHUP) that were not ignored at start each
// write their number into a pipe, and returns the pipe's reading end, for the Watchdog to take. A
// stop signal ignored at start (nohup's SIGHUP) stays ignored. SIGPIPE, unless ignored at start,
// gets a handler that does nothing, so that a closed standard output is a failed write that the
// loop reports. The signal mask is left alone, and a program started later (GStreamer's plug-in
// scanner) gets the default actions back from exec, however it is started. Gives fatal signals
// last words. Messages start with program, a string that lives as long as the process.
int take_over_signals(const char* program);

// Writes "program: " and the texts to the standard error that the process started with, with
// async-signal-safe calls only: the last words of a signal handler or of the watchdog.
void write_last_words(std::initializer_list<const char*> texts);

// Ends the process by signo, as its default action does, so that a shell sees the signal (a loop
// of camscope ends on Ctrl+C); by _exit(128 + signo) where the signal cannot end it.
[[noreturn]] void end_by_signal(int signo);

// The exit status a run ends with: one above 128, that of a stop signal, ends it by that signal.
int ending_with(int status);

// Thrown by the loop when a stop signal has arrived; it ends the run by that signal.
struct StopRequest : std::exception {
  explicit StopRequest(int signal_number) : signo(signal_number) {}
  const char* what() const noexcept override { return "stopped by a signal"; }
  int signo;
};
