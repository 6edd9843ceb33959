// SPDX-License-Identifier: Apache-2.0
// Signals: stop requests end the loop after its iteration, or after a grace when the loop is stuck;
// fatal ones leave a last message.
#include "signals.hpp"

#include <signal.h>

#include <cstring>  // sigabbrev_np
#include <initializer_list>

#include "deadline.hpp"

namespace {

// Only async-signal-safe calls here: write the message, then die of the signal as before.
void on_fatal_signal(int signo) {
  write_last_words({"ended by SIG", sigabbrev_np(signo),  // a fixed table, so safe here
                    "; please report this as a bug, with what was printed before it\n"});
  (void)signal(signo, SIG_DFL);
  (void)raise(signo);
}

// The loop takes the stop after its iteration; a read that blocks or a modal dialog of the
// window's toolbar must not keep it from ending, hence the deadline.
void on_stop_signal(int signo) {
  arm_stop_deadline(signo, kStopGrace);
}

}  // namespace

void install_signal_handling(const char* program) {
  install_deadline_handler(program);
  // These calls fail only for invalid arguments, which these are not.
  for (const int signo : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    (void)sigaction(signo, nullptr, &current);
    if (current.sa_handler == SIG_IGN) {
      continue;  // ignored by whoever started us (nohup, a script's background job): so it stays
    }
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;  // a read interrupted by the signal goes on
    (void)sigaction(signo, &action, nullptr);
  }
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
  return take_stop_deadline();
}
