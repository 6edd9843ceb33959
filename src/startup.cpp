// SPDX-License-Identifier: Apache-2.0
// What the process sets up before any library starts a thread: signals and the allocator.
#include "startup.hpp"

#include <malloc.h>

#include "signals.hpp"

int start_up(const char* program) {
  const int taken = take_over_signals(program);
  keep_freed_memory_for_reuse();
  return taken;
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
