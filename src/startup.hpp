// SPDX-License-Identifier: Apache-2.0
// What the process sets up before it opens the camera: signal handling and the allocator.
#pragma once

// Prepares the process for the loop; camscope and its demo call it first thing in main, with their
// own name for the messages. Installs the signal handling (see signals.hpp) and makes released
// image memory stay with the process for the next iteration to reuse.
void start_up(const char* program);

// The allocator part of start_up alone, for the benchmarks that compare it with glibc's default.
void keep_freed_memory_for_reuse();
