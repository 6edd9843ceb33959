// What the program sets up before the loop, and how it turns failures into messages.
#include "startup.hpp"

#include <malloc.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <opencv2/core.hpp>

namespace {

sigset_t stop_signals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

// Only async-signal-safe calls here: write the message, then die of the signal as before.
void on_fatal_signal(int signo) {
  static const char message[] =
      "camscope: ended by a fatal signal; if the window system could not be started, check "
      "DISPLAY, otherwise please report this as a bug\n";
  ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
  (void)written;
  signal(signo, SIG_DFL);
  raise(signo);
}

bool is_set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

void install_signal_handling() {
  const sigset_t stops = stop_signals();
  pthread_sigmask(SIG_BLOCK, &stops, nullptr);
  signal(SIGPIPE, SIG_IGN);
  for (int signo : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
    struct sigaction current {};
    sigaction(signo, nullptr, &current);
    if (current.sa_handler == SIG_DFL) {  // leave a sanitizer's own report in place
      signal(signo, on_fatal_signal);
    }
  }
}

void keep_freed_memory_for_reuse() {
  // Every iteration creates and releases images of up to tens of megabytes. By default glibc hands
  // blocks that large back to the system on release, and the kernel must fault their pages in
  // again in the next iteration, which costs a quarter of an iteration and more. Serving them from
  // the heap and never trimming it keeps the pages of one iteration for the next.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);  // glibc's largest allowed value on 64-bit
  mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
}

int take_stop_signal() {
  sigset_t pending;
  sigpending(&pending);
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
    if (sigismember(&pending, signo) == 1) {
      sigset_t just_this;
      sigemptyset(&just_this);
      sigaddset(&just_this, signo);
      int taken = 0;
      sigwait(&just_this, &taken);
      return taken;
    }
  }
  return 0;
}

bool window_system_available() {
  return is_set("DISPLAY") || is_set("WAYLAND_DISPLAY") || is_set("QT_QPA_PLATFORM");
}

int report_failure(const std::exception_ptr& failure, std::ostream& err) {
  try {
    std::rethrow_exception(failure);
  } catch (const cv::Exception& e) {
    err << "camscope: OpenCV failed: " << e.what() << "\n";
  } catch (const std::exception& e) {
    err << "camscope: " << e.what() << "\n";
  } catch (...) {
    err << "camscope: ended by an unknown error; please report this as a bug\n";
  }
  return 1;
}
