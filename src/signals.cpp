// SPDX-License-Identifier: Apache-2.0
// Signals, set up first thing in main: the asynchronous ones left to the watchdog, last words for
// the fatal ones, and the mask given back to the programs that libraries start.
#include "signals.hpp"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cstring>  // sigabbrev_np, strlen

namespace {

// A signal handler takes no arguments: what the last words need is set here once, at start-up.
const char* program_name = "camscope";
int last_words_fd = STDERR_FILENO;  // a copy, which a redirection of standard error leaves alone
sigset_t mask_at_start;
bool pipe_signal_was_default = true;

// Only async-signal-safe calls here: write the message, then die of the signal as before.
void on_fatal_signal(int signo) {
  write_last_words({"ended by SIG", sigabbrev_np(signo),  // a fixed table, so safe here
                    "; please report this as a bug, with what was printed before it\n"});
  (void)signal(signo, SIG_DFL);
  (void)raise(signo);
}

// In the child of a fork, before it runs another program.
void give_back_signals() {
  (void)pthread_sigmask(SIG_SETMASK, &mask_at_start, nullptr);
  if (pipe_signal_was_default) {
    (void)signal(SIGPIPE, SIG_DFL);
  }
}

bool ignored(int signo) {
  struct sigaction current {};
  (void)sigaction(signo, nullptr, &current);
  return current.sa_handler == SIG_IGN;
}

}  // namespace

sigset_t take_over_signals(const char* program) {
  program_name = program;
  const int copy = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  last_words_fd = copy >= 0 ? copy : STDERR_FILENO;
  sigset_t taken;
  sigemptyset(&taken);
  sigaddset(&taken, SIGCONT);
  for (const int signo : {SIGINT, SIGTERM, SIGHUP}) {
    if (!ignored(signo)) {  // ignored by whoever started us (nohup, a script's background job)
      sigaddset(&taken, signo);
    }
  }
  // These calls fail only for invalid arguments, which these are not.
  (void)pthread_sigmask(SIG_BLOCK, &taken, &mask_at_start);
  pipe_signal_was_default = !ignored(SIGPIPE);
  (void)signal(SIGPIPE, SIG_IGN);
  (void)pthread_atfork(nullptr, nullptr, give_back_signals);
  for (const int signo : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    struct sigaction current {};
    (void)sigaction(signo, nullptr, &current);
    if (current.sa_handler == SIG_DFL) {  // leave a sanitizer's own report in place
      (void)signal(signo, on_fatal_signal);
    }
  }
  return taken;
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
