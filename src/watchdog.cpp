// SPDX-License-Identifier: Apache-2.0
// The watchdog: the one thread that takes camscope's asynchronous signals and ends the run when a
// guarded wait or a stop signal's grace passes.
#include "watchdog.hpp"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <system_error>

#include "signals.hpp"

namespace {

// A poll that returns this much later than asked for slept through a stop (Ctrl+Z); a busy
// machine's lateness stays well below it.
constexpr std::chrono::milliseconds kOverslept{250};

int checked(int fd, const char* what) {
  if (fd < 0) {
    throw std::system_error(errno, std::generic_category(), what);
  }
  return fd;
}

// Milliseconds from now until when, rounded up so that the thread never wakes before it is due.
int milliseconds_until(DeadlineRules::Clock::time_point when) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(when - DeadlineRules::Clock::now());
  return static_cast<int>(std::clamp<long long>(left.count(), 0, INT_MAX));
}

}  // namespace

Watchdog::Watchdog(int signal_pipe)
    : signal_fd_(signal_pipe),
      wake_fd_(
          checked(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC), "cannot start the watchdog: eventfd")),
      thread_([this] { run(); }) {}

Watchdog::Watchdog() : Watchdog(-1) {}  // poll skips a negative descriptor

Watchdog::~Watchdog() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
    sleeps_until_.reset();
    watch_sooner();
  }
  thread_.join();
  (void)close(wake_fd_);
  if (signal_fd_ >= 0) {
    (void)close(signal_fd_);
  }
}

int Watchdog::take_stop() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return rules_.take_stop();
}

void Watchdog::watch_sooner() {
  const std::optional<Clock::time_point> due = rules_.due();
  if (quit_ || (due && (!sleeps_until_ || *due < *sleeps_until_))) {
    const std::uint64_t one = 1;
    (void)!write(wake_fd_, &one, sizeof one);  // fails only when the count is full: awake anyway
  }
}

void Watchdog::run() {
  for (;;) {
    int timeout = -1;  // until woken
    Clock::time_point until;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (quit_) {
        return;
      }
      sleeps_until_ = rules_.due();
      if (sleeps_until_) {
        until = *sleeps_until_;
        timeout = milliseconds_until(until);
      }
    }
    pollfd watched[] = {{signal_fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
    const int ready = poll(watched, 2, timeout);
    const Clock::time_point now = Clock::now();  // when what is due was found due
    const std::lock_guard<std::mutex> lock(mutex_);
    if (ready == 0 && now - until > kOverslept) {
      // Overslept: the process was stopped (Ctrl+Z) and has just been continued. The continue's
      // own signal may reach this thread later on a busy machine; the pause counts from now.
      rules_.continued(now);
      continue;
    }
    if (ready == 0) {
      if (const std::optional<Ending> ending = rules_.ending(now)) {
        write_last_words({ending->message.c_str(), "\n"});
        if (ending->status > 128) {
          end_by_signal(ending->status - 128);
        }
        _exit(ending->status);
      }
      continue;
    }
    std::uint64_t wakes = 0;
    (void)!read(wake_fd_, &wakes, sizeof wakes);  // only to empty it
    unsigned char signo = 0;
    while (signal_fd_ >= 0 && read(signal_fd_, &signo, 1) == 1) {
      if (signo == SIGCONT) {
        rules_.continued(now);
      } else {
        rules_.stop_requested(signo, now);
      }
    }
  }
}

WaitGuard::WaitGuard(Watchdog& watchdog, std::chrono::milliseconds limit, std::string before,
                     std::string after)
    : watchdog_(watchdog), started_(std::chrono::steady_clock::now()) {
  const std::lock_guard<std::mutex> lock(watchdog_.mutex_);
  guarding_ = watchdog_.rules_.start_wait(started_, limit, std::move(before), std::move(after));
  watchdog_.watch_sooner();
}

WaitGuard::~WaitGuard() {
  if (guarding_) {
    const std::lock_guard<std::mutex> lock(watchdog_.mutex_);
    watchdog_.rules_.end_wait();
  }
}

std::chrono::steady_clock::duration WaitGuard::waited() const {
  const auto now = std::chrono::steady_clock::now();
  if (!guarding_) {
    return now - started_;
  }
  const std::lock_guard<std::mutex> lock(watchdog_.mutex_);
  return watchdog_.rules_.waited(now);
}
