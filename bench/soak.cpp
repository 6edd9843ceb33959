// SPDX-License-Identifier: Apache-2.0
// Soak run: the frame loop on a synthetic 640x480 camera, windows discarded, printing resident
// memory as it goes, to show that a long run does not grow. Usage: camscope_soak [iterations]
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <streambuf>

#include "demo/synthetic_camera.hpp"
#include "frame_loop.hpp"
#include "startup.hpp"
#include "watchdog.hpp"

namespace {

long resident_kib() {
  std::ifstream statm("/proc/self/statm");
  long pages_total = 0, pages_resident = 0;
  statm >> pages_total >> pages_resident;
  return pages_resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Discards the windows; ends the run with q after the given number of iterations.
class CountingDisplay : public Display {
 public:
  explicit CountingDisplay(long iterations) : iterations_(iterations) {}
  void show(const std::string&, const cv::Mat&) override {}
  int poll_key(std::chrono::milliseconds) override {
    ++done_;
    if (done_ == 100 || done_ == 1000 || done_ % 10000 == 0 || done_ == iterations_) {
      std::cout << "iteration " << done_ << ": resident " << resident_kib() << " KiB" << std::endl;
    }
    return done_ >= iterations_ ? 113 : -1;
  }

 private:
  long iterations_;
  long done_ = 0;
};

// Takes every character and keeps none: a stream over it never fails, as a run's must not.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int character) override { return traits_type::not_eof(character); }
};

}  // namespace

int main(int argc, char** argv) try {
  start_up();
  Watchdog watchdog("camscope_soak");
  const long iterations = argc > 1 ? std::atol(argv[1]) : 10000;
  SyntheticCamera camera(cv::Size(640, 480), 8);
  CountingDisplay display(iterations);
  NullBuffer discarded;  // the console lines would pile up in memory
  std::ostream console(&discarded);
  return run_frame_loop(camera, display, console, ReadPolicy{}, watchdog);
} catch (...) {
  return report_failure(std::current_exception(), "camscope_soak", std::cerr);
}
