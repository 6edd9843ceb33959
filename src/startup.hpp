// SPDX-License-Identifier: Apache-2.0
// What the process sets up first thing in main, before any library starts a thread.
#pragma once

// Prepares the process for the loop; camscope and its demo call it first thing in main. A console
// line that cannot be written (a closed pipe) fails with EPIPE instead of ending the process by
// SIGPIPE; Qt is given the window systems to try in turn; released image memory stays with the
// process for the next iteration. Every other signal keeps its action.
void start_up();

// The allocator part of start_up alone, for the benchmarks that compare it with glibc's default.
void keep_freed_memory_for_reuse();
