// SPDX-License-Identifier: Apache-2.0
// Signals: stop requests end the loop between iterations, fatal ones leave a last message.
#include "signals.hpp"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The fatal-signal handler takes no arguments, so the name it prints has to wait for it here.
const char* program_name =
    "camscope";  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)

void write_to_stderr(const char* text) {
  // Nothing is left to do if standard error is gone, so the result is not looked at.
  (void)!write(STDERR_FILENO, text, strlen(text));
}

// Only async-signal-safe calls here: write the message, then die of the signal as before.
void on_fatal_signal(int signo) {
  write_to_stderr(program_name);
  write_to_stderr(": ended by SIG");
  write_to_stderr(sigabbrev_np(signo));  // a fixed table, so safe here
  write_to_stderr("; please report this as a bug, with what was printed before it\n");
  (void)signal(signo, SIG_DFL);
  (void)raise(signo);
}

}  // namespace

void install_signal_handling(const char* program) {
  program_name = program;
  sigset_t stops;
  sigemptyset(&stops);
  for (const int signo : kStopSignals) {
    sigaddset(&stops, signo);
  }
  // These calls fail only for invalid arguments, which these are not.
  (void)pthread_sigmask(SIG_BLOCK, &stops, nullptr);
  (void)signal(SIGPIPE, SIG_IGN);
  for (const int signo : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    struct sigaction current {};
    (void)sigaction(signo, nullptr, &current);
    if (current.sa_handler == SIG_DFL) {  // leave a sanitizer's own report in place
      (void)signal(signo, on_fatal_signal);
    }
  }
}

int take_stop_signal() {
  sigset_t pending;
  sigemptyset(&pending);
  (void)sigpending(&pending);
  for (const int signo : kStopSignals) {
    if (sigismember(&pending, signo) == 1) {
      sigset_t just_this;
      sigemptyset(&just_this);
      sigaddset(&just_this, signo);
      int taken = 0;
      (void)sigwait(&just_this, &taken);
      return taken;
    }
  }
  return 0;
}
