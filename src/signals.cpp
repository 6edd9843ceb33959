// SPDX-License-Identifier: Apache-2.0
// Signals, set up first thing in main: stop signals and continues handed to the watchdog through a
// pipe, last words for the fatal ones, and the end of a run by the signal that stopped it.
#include "signals.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>  // sigabbrev_np, strlen
#include <iostream>

namespace {

// A signal handler takes no arguments: what the handlers need is set here once, at start-up.
const char* program_name = "camscope";
int last_words_fd = STDERR_FILENO;  // a copy, which a redirection of standard error leaves alone
int signal_pipe = -1;               // the writing end of the watchdog's pipe

// Only async-signal-safe calls here: write the message, then die of the signal as before.
void on_fatal_signal(int signo) {
  write_last_words({"ended by SIG", sigabbrev_np(signo),  // a fixed table, so safe here
                    "; please report this as a bug, with what was printed before it\n"});
  (void)signal(signo, SIG_DFL);
  (void)raise(signo);
}

void on_watched_signal(int signo) {
  const int saved = errno;
  const auto number = static_cast<unsigned char>(signo);
  (void)!write(signal_pipe, &number, 1);  // a full pipe already holds a wake-up
  errno = saved;
}

void on_pipe_signal(int /*signo*/) {}  // the write itself fails with EPIPE, which is reported

bool ignored(int signo) {
  struct sigaction current {};
  (void)sigaction(signo, nullptr, &current);
  return current.sa_handler == SIG_IGN;
}

void handle(int signo, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = SA_RESTART;  // a library's blocking call goes on rather than fail with EINTR
  sigemptyset(&action.sa_mask);
  (void)sigaction(signo, &action, nullptr);
}

}  // namespace

int take_over_signals(const char* program) {
  program_name = program;
  const int copy = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  last_words_fd = copy >= 0 ? copy : STDERR_FILENO;
  int ends[2] = {-1, -1};
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    return -1;  // no descriptors left: signals keep their default actions
  }
  signal_pipe = ends[1];
  handle(SIGCONT, on_watched_signal);
  for (const int signo : {SIGINT, SIGTERM, SIGHUP}) {
    if (!ignored(signo)) {  // ignored by whoever started us (nohup, a script's background job)
      handle(signo, on_watched_signal);
    }
  }
  if (!ignored(SIGPIPE)) {
    handle(SIGPIPE, on_pipe_signal);
  }
  for (const int signo : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    struct sigaction current {};
    (void)sigaction(signo, nullptr, &current);
    if (current.sa_handler == SIG_DFL) {  // leave a sanitizer's own report in place
      (void)signal(signo, on_fatal_signal);
    }
  }
  return ends[0];
}

void write_last_words(std::initializer_list<const char*> texts) {
  const auto write_text = [](const char* text) {
    (void)!write(last_words_fd, text, strlen(text));  // nothing is left to do if stderr is gone
  };
  write_text(program_name);
  write_text(": ");
  for (const char* text : texts) {
    write_text(text);
  }
}

void end_by_signal(int signo) {
  (void)signal(signo, SIG_DFL);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signo);
  (void)pthread_sigmask(SIG_UNBLOCK, &just_this, nullptr);
  (void)raise(signo);
  _exit(128 + signo);
}

int ending_with(int status) {
  if (status > 128) {
    std::cout.flush();
    std::cerr.flush();
    end_by_signal(status - 128);
  }
  return status;
}
