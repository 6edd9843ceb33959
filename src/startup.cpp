// SPDX-License-Identifier: Apache-2.0
// What the process sets up first thing in main, before any library starts a thread.
#include "startup.hpp"

#include <malloc.h>
#include <signal.h>

#include <QString>
#include <cstdlib>

void start_up() {
  // A handler that does nothing, not SIG_IGN: a program that camscope's libraries start gets
  // SIGPIPE's default action back from exec, as camscope found it. Left ignored if it was.
  struct sigaction pipe_action {};
  (void)sigaction(SIGPIPE, nullptr, &pipe_action);
  if (pipe_action.sa_handler != SIG_IGN) {
    pipe_action.sa_handler = [](int) {};
    pipe_action.sa_flags = SA_RESTART;
    sigemptyset(&pipe_action.sa_mask);
    (void)sigaction(SIGPIPE, &pipe_action, nullptr);
  }
  keep_freed_memory_for_reuse();
  // NOLINTBEGIN(concurrency-mt-unsafe): no other thread runs yet
  // Qt by itself tries X alone outside a Wayland session; given a list, it tries each in turn and
  // takes the first that opens. A platform the user set is Qt's to take as it is.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    const bool wayland_session = qEnvironmentVariable("XDG_SESSION_TYPE") == "wayland";
    (void)setenv("QT_QPA_PLATFORM", wayland_session ? "wayland;xcb" : "xcb;wayland", 1);
  }
  // NOLINTEND(concurrency-mt-unsafe)
}

void keep_freed_memory_for_reuse() {
  // Every iteration creates and releases images of up to tens of megabytes (the padded complex
  // image of a 4K frame is 66 MB). By default glibc maps large blocks straight from the kernel and
  // unmaps them on release, and the kernel must fault their pages in again in the next iteration,
  // which costs a quarter of an iteration and more. Raising the mmap threshold is not enough: its
  // largest value is 32 MiB. So no block is mapped on its own: all come from the heap, and the heap
  // is not trimmed, which keeps the pages of one iteration for the next. mallopt fails only for an
  // unknown parameter; without the setting camscope is slower, not wrong. It is not thread-safe, so
  // it runs first thing in main, before OpenCV or Qt start threads.
  (void)mallopt(M_MMAP_MAX, 0);                        // NOLINT(concurrency-mt-unsafe)
  (void)mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);  // NOLINT(concurrency-mt-unsafe)
}
