// SPDX-License-Identifier: Apache-2.0
// The last resort against a wait without end: a timer that ends the process with a message when a
// camera, a stream or a window system does not answer in time, or when the way out after a stop
// signal takes too long. Time the process spends stopped (Ctrl+Z, SIGSTOP) counts against no limit.
#include "deadline.hpp"

#include <signal.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// What the timer guards. A signal handler takes no arguments, so what it needs waits for it here.
// A wait's fields are written only while nothing is guarded, or by the continue handler.
enum Guarded : int { kNothing, kWait, kStop };
std::atomic<int> guarded{kNothing};
std::atomic<long long> wait_started_ns{0};
std::atomic<long long> wait_limit_ns{0};
std::atomic<const char*> wait_before{""};
std::atomic<const char*> wait_after{""};
std::atomic<int> stop_signo{0};
std::atomic<long long> stop_started_ns{0};
std::atomic<long long> stop_grace_ns{0};
std::atomic<long long> expired_ns{0};  // when the timer first found its deadline passed, or 0
std::atomic<unsigned> resumes{0};
const char* program_name = "camscope";

// A process stopped past a deadline gets the timer's signal and the continue's together, maybe in
// two threads at once: a deadline found passed is looked at again this much later, after the
// continue's handler has restarted the wait, before the process ends.
constexpr long long kSecondLookNs = 100000000;

long long now_ns() {
  timespec now{};
  (void)clock_gettime(CLOCK_MONOTONIC, &now);  // steady_clock's clock
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// An itimerval of 0 turns the timer off.
void set_timer_ns(long long ns) {
  const long long us = (ns + 999) / 1000;
  itimerval value{};
  value.it_value.tv_sec = static_cast<time_t>(us / 1000000);
  value.it_value.tv_usec = static_cast<suseconds_t>(us % 1000000);
  (void)setitimer(ITIMER_REAL, &value, nullptr);  // fails only for invalid values
}

long long due_ns() {
  return guarded.load() == kStop ? stop_started_ns.load() + stop_grace_ns.load()
                                 : wait_started_ns.load() + wait_limit_ns.load();
}

// Sets the timer for whatever is guarded now, at least a microsecond ahead (0 would turn it off).
void rearm() {
  set_timer_ns(std::max(due_ns() - now_ns(), 1LL));
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

// Only async-signal-safe calls in the handlers.
void on_alarm(int) {
  const int what = guarded.load();
  if (what == kNothing) {
    return;
  }
  const long long now = now_ns();
  if (now < due_ns()) {
    rearm();  // the wait was restarted by a continue after the timer was set
    return;
  }
  const long long expired = expired_ns.load();
  if (expired == 0) {
    expired_ns.store(now);
    set_timer_ns(kSecondLookNs);
    return;
  }
  if (what == kStop) {
    const int signo = stop_signo.load();
    write_last_words({"stopped by SIG", sigabbrev_np(signo), "\n"});  // a fixed table: safe
    _exit(128 + signo);
  }
  const long long tenths = (expired - wait_started_ns.load() + 50000000LL) / 100000000LL;
  char seconds[24];
  char tenth[24];
  write_last_words({wait_before.load(), decimal(tenths / 10, seconds), ".",
                    decimal(tenths % 10, tenth), " s", wait_after.load(), "\n"});
  _exit(1);
}

// Time spent stopped counts against no limit: whatever is guarded starts its count again.
void on_continue(int) {
  resumes.fetch_add(1);
  const int what = guarded.load();
  if (what == kNothing) {
    return;
  }
  expired_ns.store(0);
  (what == kStop ? stop_started_ns : wait_started_ns).store(now_ns());
  rearm();
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
  // Each handler holds the other off in its own thread, so that neither sees the other's work
  // half done.
  for (const auto& [signo, handler] : {std::pair{SIGALRM, &on_alarm}, {SIGCONT, &on_continue}}) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGALRM);
    sigaddset(&action.sa_mask, SIGCONT);
    action.sa_flags = SA_RESTART;              // the wait goes on
    (void)sigaction(signo, &action, nullptr);  // fails only for invalid arguments
  }
}

unsigned resume_count() {
  return resumes.load(std::memory_order_relaxed);
}

WaitDeadline::WaitDeadline(std::chrono::steady_clock::time_point started,
                           std::chrono::milliseconds limit, const std::string& before,
                           const std::string& after) {
  if (guarded.load() != kNothing) {
    return;
  }
  wait_before.store(before.c_str());
  wait_after.store(after.c_str());
  wait_started_ns.store(
      std::chrono::duration_cast<std::chrono::nanoseconds>(started.time_since_epoch()).count());
  wait_limit_ns.store(std::chrono::nanoseconds(limit).count());
  expired_ns.store(0);
  int expected = kNothing;
  armed_ = guarded.compare_exchange_strong(expected, kWait);
  if (armed_) {
    rearm();
    // A stop that arrived since the exchange set its own timer, which the line above replaced.
    if (guarded.load() == kStop) {
      rearm();
    }
  }
}

WaitDeadline::~WaitDeadline() {
  int expected = kWait;
  if (armed_ && guarded.compare_exchange_strong(expected, kNothing)) {
    set_timer_ns(0);
    // A stop that arrived between the two lines above lost its timer: give it back.
    if (guarded.load() == kStop) {
      rearm();
    }
  }
}

void arm_stop_deadline(int signo, std::chrono::milliseconds grace) {
  if (guarded.load() == kStop) {
    return;  // the first stop's deadline stands
  }
  stop_signo.store(signo);
  stop_started_ns.store(now_ns());
  stop_grace_ns.store(std::chrono::nanoseconds(grace).count());
  expired_ns.store(0);
  guarded.store(kStop);
  set_timer_ns(std::chrono::nanoseconds(grace).count());
}

int take_stop_deadline() {
  if (guarded.load() != kStop) {
    return 0;
  }
  set_timer_ns(0);
  guarded.store(kNothing);
  return stop_signo.load();
}

std::string seconds_text(std::chrono::steady_clock::duration waited) {
  const auto tenths =
      (std::chrono::duration_cast<std::chrono::milliseconds>(waited).count() + 50) / 100;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}
