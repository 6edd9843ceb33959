// Benchmarks: each stage and whole iterations at three frame sizes, first with glibc's default
// allocator behaviour, then with released memory kept for reuse as camscope runs.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "analysis/channel_histograms.hpp"
#include "analysis/edge_mask.hpp"
#include "analysis/motion_mask.hpp"
#include "analysis/peak_report.hpp"
#include "analysis/spectrum.hpp"
#include "display.hpp"
#include "frame_loop.hpp"
#include "startup.hpp"
#include "synthetic_camera.hpp"

namespace {

const cv::Size kSizes[] = {{640, 480}, {1280, 720}, {1920, 1080}};

cv::Size size_of(const benchmark::State& state) {
  return kSizes[state.range(0)];
}

cv::Mat grayscale_frame(cv::Size size) {
  SyntheticCamera camera(size, 1);
  cv::Mat frame, gray;
  camera.read(frame);
  cv::cvtColor(frame, gray, cv::COLOR_BGR2GRAY);
  return gray;
}

void colour_histograms(benchmark::State& state) {
  SyntheticCamera camera(size_of(state), 1);
  cv::Mat src, b_hist, g_hist, r_hist, histImage(400, 512, CV_8UC3), histmax_img(400, 400, CV_8UC3);
  camera.read(src);
  std::vector<cv::Mat> bgr_planes;
  std::ostringstream console;
  for (auto _ : state) {
    int bin_w = 0;
    compute_channel_histograms(src, bgr_planes, b_hist, g_hist, r_hist, 512, histImage, bin_w);
    ChannelPeaks peaks = start_peak_search(b_hist, g_hist, r_hist);
    for (int i = 1; i < histSize; i++) {
      update_peaks(peaks, i, b_hist, g_hist, r_hist);
      draw_bin_segments(i, bin_w, 400, b_hist, g_hist, r_hist, histImage);
    }
    report_peaks(peaks, 1, console, histImage, histmax_img);
    console.str("");
  }
}

void spectrum(benchmark::State& state) {
  const cv::Mat src_g = grayscale_frame(size_of(state));
  for (auto _ : state) {
    cv::Mat mag;
    log_magnitude_spectrum(src_g, mag);
    benchmark::DoNotOptimize(mag.data);
  }
}

void edge_mask(benchmark::State& state) {
  const cv::Mat src_g = grayscale_frame(size_of(state));
  cv::Mat lap;
  for (auto _ : state)
    laplacian_edge_mask(src_g, lap);
}

void motion_mask(benchmark::State& state) {
  SyntheticCamera camera(size_of(state), 8);
  for (auto _ : state) {
    cv::Mat diff;
    three_frame_motion_mask([&](cv::Mat& frame) { camera.read(frame); }, diff);
    benchmark::DoNotOptimize(diff.data);
  }
}

// Times whole iterations of the real loop: each key poll ends one timed iteration.
template <class Shown>
class TimingDisplay : public Shown {
 public:
  explicit TimingDisplay(benchmark::State& state) : state_(state) {}
  int poll_key() override {
    Shown::poll_key();
    return state_.KeepRunning() ? -1 : 113;
  }

 private:
  benchmark::State& state_;
};

class Discarding : public Display {
 public:
  void show(const std::string&, const cv::Mat&) override {}
  int poll_key() override { return -1; }
};

template <class Shown>
void whole_iteration(benchmark::State& state) {
  if (std::is_same_v<Shown, HighGuiDisplay> && !window_system_available()) {
    state.SkipWithError("no window system: run under xvfb-run");
    return;
  }
  SyntheticCamera camera(size_of(state), 8);  // four distinct frames an iteration, two iterations
  TimingDisplay<Shown> display(state);
  std::ostringstream console;
  run_frame_loop(camera, display, console, std::cerr, ReadPolicy{});
}

// Registers every benchmark under prefix; with reuse, each first makes released memory stay with
// the process, as camscope does at start-up. Benchmarks run in the order registered.
void register_all(const std::string& prefix, bool reuse) {
  const auto add = [&](const char* name, void (*function)(benchmark::State&)) {
    return benchmark::RegisterBenchmark((prefix + name).c_str(),
                                        [=](benchmark::State& state) {
                                          if (reuse)
                                            keep_freed_memory_for_reuse();
                                          function(state);
                                        })
        ->Unit(benchmark::kMillisecond);
  };
  add("histograms", colour_histograms)->DenseRange(0, 2);
  add("spectrum", spectrum)->DenseRange(0, 2);
  add("edge_mask", edge_mask)->DenseRange(0, 2);
  add("motion_mask", motion_mask)->DenseRange(0, 2);
  add("iteration_analysis", whole_iteration<Discarding>)->DenseRange(0, 2);
  add("iteration_with_windows", whole_iteration<HighGuiDisplay>)->Arg(2);
}

}  // namespace

// Both allocator behaviours side by side in one run. The default behaviour cannot be restored
// once changed, so its benchmarks run first, in a child process of their own.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::cout << "range 0, 1, 2: 640x480, 1280x720, 1920x1080" << std::endl;
  const pid_t child = fork();
  if (child == 0) {
    register_all("default_alloc/", false);
    benchmark::RunSpecifiedBenchmarks();
    std::cout.flush();
    _exit(0);
  }
  int child_status = 0;
  waitpid(child, &child_status, 0);
  register_all("reuse_alloc/", true);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return child_status == 0 ? 0 : 1;
}
