// SPDX-License-Identifier: Apache-2.0
// Benchmarks: each stage and whole iterations at four frame sizes, with glibc's default allocator
// behaviour, with the mmap threshold raised alone, and with memory kept for reuse as camscope runs.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>

#include "analysis/channel_histograms.hpp"
#include "analysis/edge_mask.hpp"
#include "analysis/motion_mask.hpp"
#include "analysis/peak_report.hpp"
#include "analysis/spectrum.hpp"
#include "demo/synthetic_camera.hpp"
#include "display.hpp"
#include "frame_loop.hpp"
#include "startup.hpp"
#include "watchdog.hpp"

namespace {

const cv::Size kSizes[] = {{640, 480}, {1280, 720}, {1920, 1080}, {3840, 2160}};

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
  cv::Mat src, b_hist, g_hist, r_hist, histImage(hist_h, hist_w, CV_8UC3);
  cv::Mat histmax_img(400, 400, CV_8UC3);
  camera.read(src);
  std::vector<cv::Mat> bgr_planes;
  std::ostringstream console;
  while (state.KeepRunning()) {
    int bin_w = 0;
    compute_channel_histograms(src, bgr_planes, b_hist, g_hist, r_hist, histImage, bin_w);
    const ChannelPeaks peaks = find_peaks_and_draw_curves(b_hist, g_hist, r_hist, bin_w, histImage);
    write_console_line(console, peaks, 1);
    mark_peaks(peaks, bin_w, histImage, histmax_img);
    console.str("");
  }
}

void spectrum(benchmark::State& state) {
  const cv::Mat src_g = grayscale_frame(size_of(state));
  while (state.KeepRunning()) {
    cv::Mat mag;
    log_magnitude_spectrum(src_g, mag);
    benchmark::DoNotOptimize(mag.data);
  }
}

void edge_mask(benchmark::State& state) {
  const cv::Mat src_g = grayscale_frame(size_of(state));
  cv::Mat lap;
  while (state.KeepRunning())
    laplacian_edge_mask(src_g, lap);
}

void motion_mask(benchmark::State& state) {
  SyntheticCamera camera(size_of(state), 8);
  while (state.KeepRunning()) {
    cv::Mat diff;
    three_frame_motion_mask([&](cv::Mat& frame) { camera.read(frame); }, diff);
    benchmark::DoNotOptimize(diff.data);
  }
}

long minor_page_faults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// Times whole iterations of the real loop: each key poll ends one timed iteration; the first, which
// faults in every buffer, is not timed. Counts the page faults of the timed iterations.
template <class Shown>
class TimingDisplay : public Shown {
 public:
  explicit TimingDisplay(benchmark::State& state) : state_(state) {}
  int poll_key(std::chrono::milliseconds delay) override {
    Shown::poll_key(delay);
    if (faults_at_start_ < 0) {
      faults_at_start_ = minor_page_faults();
    }
    if (state_.KeepRunning()) {
      return -1;
    }
    state_.counters["faults"] =
        benchmark::Counter(static_cast<double>(minor_page_faults() - faults_at_start_),
                           benchmark::Counter::kAvgIterations);
    return 113;
  }

 private:
  benchmark::State& state_;
  long faults_at_start_ = -1;
};

class Discarding : public Display {
 public:
  void show(const std::string&, const cv::Mat&) override {}
  int poll_key(std::chrono::milliseconds) override { return -1; }
};

template <class Shown>
void whole_iteration(benchmark::State& state) {
  // NOLINTBEGIN(concurrency-mt-unsafe): nothing changes the environment
  const bool no_desktop =
      std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr;
  // NOLINTEND(concurrency-mt-unsafe)
  if (std::is_same_v<Shown, HighGuiDisplay> && no_desktop) {
    state.SkipWithError("no window system: run under xvfb-run");
    return;
  }
  Watchdog watchdog;
  SyntheticCamera camera(size_of(state), 8);  // four distinct frames an iteration, two iterations
  TimingDisplay<Shown> display(state);
  std::ostringstream console;
  run_frame_loop(camera, display, console, ReadPolicy{}, watchdog);
}

// A webcam as the capture back-end hands its frames on: each read converts a YUYV 4:2:2 frame to
// BGR, or decodes a Motion-JPEG one, as V4L2's route does inside the read.
class WebcamFormat : public cv::VideoCapture {
 public:
  WebcamFormat(cv::Size size, bool jpeg) : jpeg_(jpeg) {
    SyntheticCamera scene(size, 8);
    for (int i = 0; i < 8; i++) {
      cv::Mat bgr, yuv;
      scene.read(bgr);
      if (jpeg) {
        std::vector<uchar> encoded;
        cv::imencode(".jpg", bgr, encoded);
        sent_.push_back(cv::Mat(encoded, true));
        continue;
      }
      cv::cvtColor(bgr, yuv, cv::COLOR_BGR2YUV);
      cv::Mat yuyv(size, CV_8UC2);  // Y0 U Y1 V for each pair of pixels
      for (int y = 0; y < size.height; y++) {
        for (int x = 0; x < size.width; x++) {
          const cv::Vec3b& p = yuv.at<cv::Vec3b>(y, x);
          yuyv.at<cv::Vec2b>(y, x) = {p[0], p[x % 2 == 0 ? 1 : 2]};
        }
      }
      sent_.push_back(yuyv);
    }
  }
  bool isOpened() const override { return true; }
  bool read(cv::OutputArray image) override {
    const cv::Mat& sent = sent_[next_++ % sent_.size()];
    if (jpeg_) {
      image.assign(cv::imdecode(sent, cv::IMREAD_COLOR));
    } else {
      cv::cvtColor(sent, image, cv::COLOR_YUV2BGR_YUYV);
    }
    return true;
  }

 private:
  bool jpeg_;
  std::vector<cv::Mat> sent_;
  size_t next_ = 0;
};

// The whole iteration with the camera's conversion: its four reads must take under 133 ms to keep
// a 30 fps camera's pace. Range: size, then 0 for YUYV, 1 for Motion-JPEG.
void webcam_iteration(benchmark::State& state) {
  Watchdog watchdog;
  WebcamFormat camera(size_of(state), state.range(1) == 1);
  TimingDisplay<Discarding> display(state);
  std::ostringstream console;
  run_frame_loop(camera, display, console, ReadPolicy{}, watchdog);
}

// camscope's allocator setting before large blocks were kept too: the mmap threshold raised to
// its largest value, so blocks above 32 MiB were still mapped and unmapped in every iteration.
void raise_mmap_threshold() {
  // Before any benchmark of its process runs, as camscope sets it before the loop.
  (void)mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);   // NOLINT(concurrency-mt-unsafe)
  (void)mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);  // NOLINT(concurrency-mt-unsafe)
}

// Registers every benchmark under prefix; each first applies the allocator setting, if any.
// Benchmarks run in the order registered.
void register_all(const std::string& prefix, void (*allocator_setting)()) {
  const auto add = [&](const char* name, void (*function)(benchmark::State&)) {
    return benchmark::RegisterBenchmark((prefix + name).c_str(),
                                        [=](benchmark::State& state) {
                                          if (allocator_setting != nullptr)
                                            allocator_setting();
                                          function(state);
                                        })
        ->Unit(benchmark::kMillisecond);
  };
  add("histograms", colour_histograms)->DenseRange(0, 2);
  add("spectrum", spectrum)->DenseRange(0, 2);
  add("edge_mask", edge_mask)->DenseRange(0, 2);
  add("motion_mask", motion_mask)->DenseRange(0, 2);
  add("iteration_analysis", whole_iteration<Discarding>)->DenseRange(0, 3);
  add("iteration_with_windows", whole_iteration<HighGuiDisplay>)->Arg(2);
  add("webcam_iteration", webcam_iteration)->ArgsProduct({{0, 1}, {0, 1}});
}

}  // namespace

// The allocator settings side by side in one run. None can be undone once made, so each runs its
// benchmarks in a child process of its own.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::cout << "range 0, 1, 2, 3: 640x480, 1280x720, 1920x1080, 3840x2160" << std::endl;
  const std::pair<const char*, void (*)()> settings[] = {
      {"default_alloc/", nullptr},
      {"threshold_alloc/", raise_mmap_threshold},
      {"reuse_alloc/", keep_freed_memory_for_reuse}};
  bool all_ran = true;
  for (const auto& [prefix, setting] : settings) {
    const pid_t child = fork();
    if (child == 0) {
      register_all(prefix, setting);
      benchmark::RunSpecifiedBenchmarks();
      std::cout.flush();
      _exit(0);
    }
    int child_status = 0;
    waitpid(child, &child_status, 0);
    all_ran = all_ran && child_status == 0;
  }
  benchmark::Shutdown();
  return all_ran ? 0 : 1;
}
