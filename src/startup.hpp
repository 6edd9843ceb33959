// SPDX-License-Identifier: Apache-2.0
// What the process sets up before any library starts a thread: signals and the allocator.
#pragma once

// Prepares the process for the loop; camscope and its demo call it first thing in main, with their
// own name for the messages. Takes over the signals (see take_over_signals) and returns the pipe
// the Watchdog is to take them from; makes released image memory stay with the process for the next
// iteration.
int start_up(const char* program);

// The allocator part of start_up alone, for the benchmarks that compare it with glibc's default.
void keep_freed_memory_for_reuse();
