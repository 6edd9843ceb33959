// SPDX-License-Identifier: Apache-2.0
// The last resort against a wait without end: a timer that ends the process with a message when a
// camera read, or the way out after a stop signal, takes too long.
#include "deadline.hpp"

#include <signal.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// What the timer guards. A signal handler takes no arguments, so what it needs waits for it here;
// everything it reads is set before the timer is armed.
enum Guarded : int { kNothing, kRead, kStop };
std::atomic<int> guarded{kNothing};
std::atomic<int> stop_signo{0};
std::atomic<long long> grace_ms{0};
std::atomic<long long> read_started_ns{0};
const char* program_name = "camscope";
char read_before[256];
char read_after[256];

// An itimerval of 0 turns the timer off.
void set_timer(long long ms) {
  itimerval value{};
  value.it_value.tv_sec = static_cast<time_t>(ms / 1000);
  value.it_value.tv_usec = static_cast<suseconds_t>((ms % 1000) * 1000);
  (void)setitimer(ITIMER_REAL, &value, nullptr);  // fails only for invalid values
}

void write_text(const char* text) {
  (void)!write(STDERR_FILENO, text, strlen(text));  // nothing is left to do if stderr is gone
}

// The decimal digits of n, written into the end of digits.
const char* decimal(long long n, char (&digits)[24]) {
  char* first = digits + sizeof digits - 1;
  *first = '\0';
  do {
    *--first = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n > 0);
  return first;
}

long long now_ns() {
  timespec now{};
  (void)clock_gettime(CLOCK_MONOTONIC, &now);  // steady_clock's clock
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Only async-signal-safe calls here.
void on_deadline(int) {
  const int what = guarded.load();
  if (what == kStop) {
    const int signo = stop_signo.load();
    write_last_words({"stopped by SIG", sigabbrev_np(signo), "\n"});  // a fixed table: safe
    _exit(128 + signo);
  }
  if (what == kRead) {
    const long long tenths = (now_ns() - read_started_ns.load() + 50000000LL) / 100000000LL;
    char seconds[24];
    char tenth[24];
    write_last_words({read_before, decimal(tenths / 10, seconds), ".", decimal(tenths % 10, tenth),
                      " s", read_after, "\n"});
    _exit(1);
  }
}

void copy_text(char (&to)[256], const std::string& from) {
  const size_t length = std::min(from.size(), sizeof to - 1);
  memcpy(to, from.data(), length);
  to[length] = '\0';
}

}  // namespace

void write_last_words(std::initializer_list<const char*> texts) {
  write_text(program_name);
  write_text(": ");
  for (const char* text : texts) {
    write_text(text);
  }
}

void install_deadline_handler(const char* program) {
  program_name = program;
  struct sigaction action {};
  action.sa_handler = on_deadline;
  sigemptyset(&action.sa_mask);
  (void)sigaction(SIGALRM, &action, nullptr);  // fails only for invalid arguments
}

void arm_read_deadline(std::chrono::steady_clock::time_point started,
                       std::chrono::milliseconds limit, const std::string& before,
                       const std::string& after) {
  if (guarded.load() != kNothing) {
    return;
  }
  copy_text(read_before, before);
  copy_text(read_after, after);
  const auto started_ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(started.time_since_epoch());
  read_started_ns.store(started_ns.count());
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(started + limit -
                                                                 std::chrono::steady_clock::now());
  int expected = kNothing;
  if (guarded.compare_exchange_strong(expected, kRead)) {
    set_timer(std::max<long long>(left.count(), 1));
  }
}

void disarm_read_deadline() {
  int expected = kRead;
  if (guarded.compare_exchange_strong(expected, kNothing)) {
    set_timer(0);
    // A stop that arrived between the two lines above lost its timer: give it back.
    if (guarded.load() == kStop) {
      set_timer(grace_ms.load());
    }
  }
}

void arm_stop_deadline(int signo, std::chrono::milliseconds grace) {
  if (guarded.load() == kStop) {
    return;  // the first stop's deadline stands
  }
  stop_signo.store(signo);
  grace_ms.store(grace.count());
  guarded.store(kStop);
  set_timer(grace.count());
}

int take_stop_deadline() {
  if (guarded.load() != kStop) {
    return 0;
  }
  set_timer(0);
  guarded.store(kNothing);
  return stop_signo.load();
}

std::string seconds_text(std::chrono::steady_clock::duration waited) {
  const auto tenths =
      (std::chrono::duration_cast<std::chrono::milliseconds>(waited).count() + 50) / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}
