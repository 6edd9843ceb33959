// SPDX-License-Identifier: Apache-2.0
// Signals, set up first thing in main: the asynchronous ones left to the watchdog, last words for
// the fatal ones, and the mask given back to the programs that libraries start.
#pragma once

#include <signal.h>

#include <exception>
#include <initializer_list>

// Blocks SIGCONT and those stop signals (SIGINT, SIGTERM, SIGHUP) that were not ignored at start,
// in the calling thread and so in every thread started after it; returns them, for the Watchdog to
// take. A stop signal ignored at start (nohup's SIGHUP) stays ignored. Ignores SIGPIPE, so that a
// closed standard output is a failed write that the loop reports. Gives fatal signals last words.
// A program that a library starts (GStreamer's plug-in scanner) gets the signal mask and SIGPIPE
// back as they were. Must run before any thread starts; messages start with program, a string that
// lives as long as the process.
sigset_t take_over_signals(const char* program);

// Writes "program: " and the texts to the standard error that the process started with, with
// async-signal-safe calls only: the last words of a signal handler or of the watchdog.
void write_last_words(std::initializer_list<const char*> texts);

// Thrown by the loop when a stop signal has arrived; it ends the run with 128 plus signo.
struct StopRequest : std::exception {
  explicit StopRequest(int signal_number) : signo(signal_number) {}
  const char* what() const noexcept override { return "stopped by a signal"; }
  int signo;
};
