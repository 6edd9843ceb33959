// The loop through its seam (a fake camera, a recording display): what each window shows, the
// console line, the quit key, and how a failing camera, a signal or an error ends the run.
#include "frame_loop.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <deque>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <thread>

#include "failure_report.hpp"
#include "signals.hpp"

namespace {

using std::chrono::milliseconds;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Serves the given frames in turn (an empty one is a failed read), then fails every read.
struct FakeCamera : cv::VideoCapture {
  std::vector<cv::Mat> frames;
  milliseconds read_time{0};
  size_t reads = 0;
  bool isOpened() const override { return true; }
  bool read(cv::OutputArray image) override {
    std::this_thread::sleep_for(read_time);
    const cv::Mat next = reads < frames.size() ? frames[reads] : cv::Mat();
    ++reads;
    next.copyTo(image);
    return !next.empty();
  }
};

// Keeps a copy of every image shown, in order, and answers key polls from a script, then -1.
struct RecordingDisplay : Display {
  std::deque<int> keys;
  std::vector<std::pair<std::string, cv::Mat>> shown;
  int polls = 0;
  void show(const std::string& title, const cv::Mat& image) override {
    shown.emplace_back(title, image.clone());
  }
  int poll_key() override {
    ++polls;
    const int key = keys.empty() ? -1 : keys.front();
    if (!keys.empty())
      keys.pop_front();
    return key;
  }
};

cv::Mat solid(cv::Scalar colour, cv::Size size = {8, 6}, int type = CV_8UC3) {
  return cv::Mat(size, type, colour);
}

bool same(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

// One run of the loop on the frames and keys given; a failure is reported as main reports it.
struct LoopRun {
  FakeCamera camera;
  RecordingDisplay display;
  ReadPolicy policy;
  std::ostringstream out, err;
  int run(std::vector<cv::Mat> frames, std::deque<int> keys) {
    camera.frames = std::move(frames);
    display.keys = std::move(keys);
    policy.retry_pause = milliseconds(0);
    try {
      return run_frame_loop(camera, display, out, err, policy);
    } catch (...) {
      return report_failure(std::current_exception(), err);
    }
  }
};

// Catches a window shown under the wrong title, in the wrong order or from the wrong frame, a key
// poll before the last window, Q (81) taken for q, a counter that does not start at 1, anything
// but four reads per iteration, and an empty read that is not retried. Each iteration n reads a
// colour frame (n, 2n, 3n) for the first six windows, then frames of gray 10, 60 and 10.
TEST(FrameLoop, EachWindowShowsItsOwnFramesUntilLowercaseQ) {
  std::vector<cv::Mat> frames{cv::Mat(), cv::Mat()};  // a driver that needs time to start
  for (int n = 1; n <= 3; n++) {
    for (const double gray : {-1.0, 10.0, 60.0, 10.0})
      frames.push_back(solid(gray < 0 ? cv::Scalar(n, 2 * n, 3 * n) : cv::Scalar::all(gray)));
  }
  frames.insert(frames.begin() + 7, cv::Mat());  // a hiccup amid the motion frames
  LoopRun loop;
  EXPECT_EQ(loop.run(frames, {-1, 'Q', 'q'}), 0);
  EXPECT_EQ(loop.camera.reads, frames.size());
  EXPECT_EQ(loop.display.polls, 3);
  EXPECT_EQ(loop.out.str(),
            " Red = 3 Green = 2 Blue = 1 Frame_num = 1\n"
            " Red = 6 Green = 4 Blue = 2 Frame_num = 2\n"
            " Red = 9 Green = 6 Blue = 3 Frame_num = 3\n");
  ASSERT_EQ(loop.display.shown.size(), 21U);
  for (int n = 1; n <= 3; n++) {
    const cv::Mat src = solid(cv::Scalar(n, 2 * n, 3 * n));
    cv::Mat src_g, spectrum = solid(0, {8, 6}, CV_8UC1);
    cv::cvtColor(src, src_g, cv::COLOR_BGR2GRAY);
    spectrum.at<uchar>(3, 4) = 255;  // a flat frame has only the zero frequency, centred
    const std::pair<std::string, cv::Mat> expected[] = {
        {"Source image", src},
        {"hist_image", cv::Mat()},  // its markers are checked below
        {"histmax_color", solid(cv::Scalar(n, 2 * n, 3 * n), {400, 400})},
        {"COLOR_BGR2GRAY", src_g},
        {"2D_FFT", spectrum},
        {"Laplacian", solid(0, {8, 6}, CV_8UC1)},
        {"diff image", solid(50, {8, 6}, CV_8UC1)}};
    for (int w = 0; w < 7; w++) {
      const auto& [title, image] = loop.display.shown[7 * (n - 1) + w];
      EXPECT_EQ(title, expected[w].first) << n;
      EXPECT_TRUE(expected[w].second.empty() || same(image, expected[w].second))
          << title << " in iteration " << n;
    }
    // The plot: the three peak markers in their colours, red (column 6n) drawn last.
    const cv::Mat& plot = loop.display.shown[7 * n - 6].second;
    EXPECT_EQ(plot.at<cv::Vec3b>(200, 2 * n), cv::Vec3b(255, 0, 0)) << n;
    EXPECT_EQ(plot.at<cv::Vec3b>(200, 6 * n), cv::Vec3b(0, 0, 255)) << n;
  }
}

// Catches endless retrying, or giving up at once, when the camera stops delivering frames.
TEST(FrameLoop, TenFailedReadsInARowEndTheRunWithStatusOneAndAMessage) {
  LoopRun loop;
  loop.policy.camera_name = "camera 1";
  EXPECT_EQ(loop.run(std::vector<cv::Mat>(5, solid(5)), {}), 1);
  EXPECT_EQ(loop.camera.reads, 5U + 10U);
  EXPECT_EQ(loop.display.polls, 1);
  EXPECT_THAT(loop.err.str(), StartsWith("camscope: camera 1 stopped delivering frames"));
}

// Catches a give-up rule counted only in tries: a read that takes the whole timeout is the last.
TEST(FrameLoop, NoFrameWithinTheTimeoutEndsTheRun) {
  LoopRun loop;
  loop.camera.read_time = loop.policy.timeout = milliseconds(50);
  EXPECT_EQ(loop.run({}, {}), 1);
  EXPECT_EQ(loop.camera.reads, 1U);
  EXPECT_THAT(loop.err.str(), HasSubstr("none for 50 ms"));
}

// Catches a gray frame reaching the colour stages, or being retried like a failed read.
TEST(FrameLoop, FrameThatIsNotColourEndsTheRunNamingItsType) {
  LoopRun loop;
  EXPECT_EQ(loop.run({solid(3, {4, 4}, CV_8UC1)}, {}), 1);
  EXPECT_EQ(loop.camera.reads, 1U);
  EXPECT_TRUE(loop.display.shown.empty());
  EXPECT_THAT(loop.err.str(), HasSubstr("CV_8UC1"));
}

// Catches a stop signal that kills the program silently instead of ending the loop with a message.
TEST(FrameLoop, StopSignalEndsTheRunAfterItsIterationWithAMessage) {
  install_signal_handling();
  raise(SIGTERM);
  LoopRun loop;
  EXPECT_EQ(loop.run(std::vector<cv::Mat>(8, solid(1)), {}), 128 + SIGTERM);
  EXPECT_EQ(loop.display.polls, 1);
  EXPECT_EQ(loop.err.str(), "camscope: stopped by SIGTERM\n");
}

// Catches an OpenCV error or an unknown exception ending the program silently or with status 0.
TEST(FailureReport, EveryKindOfFailureBecomesAMessageAndStatusOne) {
  std::ostringstream err;
  EXPECT_EQ(report_failure(std::make_exception_ptr(cv::Exception(-215, "m", "f", "x.cpp", 1)), err),
            1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(42), err), 1);
  EXPECT_THAT(err.str(), StartsWith("camscope: OpenCV failed: "));
  EXPECT_THAT(err.str(), HasSubstr("\ncamscope: "));
}

}  // namespace
