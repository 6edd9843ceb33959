// The loop through its seam (a fake camera, a recording display), and start-up's checks.
#include "frame_loop.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <deque>
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
  explicit FakeCamera(std::vector<cv::Mat> served) : frames(std::move(served)) {}
  bool isOpened() const override { return true; }
  bool read(cv::OutputArray image) override {
    std::this_thread::sleep_for(read_time);
    const cv::Mat next = reads < frames.size() ? frames[reads] : cv::Mat();
    ++reads;
    next.copyTo(image);
    return !next.empty();
  }
};

// Keeps a copy of every image shown, by title, and answers key polls from a script, then -1.
struct RecordingDisplay : Display {
  std::deque<int> keys;
  std::vector<std::string> titles;
  std::map<std::string, std::vector<cv::Mat>> images;
  int polls = 0;
  void show(const std::string& title, const cv::Mat& image) override {
    titles.push_back(title);
    images[title].push_back(image.clone());
  }
  int poll_key() override {
    ++polls;
    const int key = keys.empty() ? -1 : keys.front();
    if (!keys.empty())
      keys.pop_front();
    return key;
  }
};

cv::Mat solid(int value, cv::Size size = {8, 6}, int type = CV_8UC3) {
  return cv::Mat(size, type, cv::Scalar::all(value));
}

bool same(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

// One run of the loop; a failure is reported as main reports it.
struct LoopRun {
  FakeCamera camera;
  RecordingDisplay display;
  ReadPolicy policy;
  std::ostringstream out, err;
  LoopRun(std::vector<cv::Mat> frames, std::deque<int> keys) : camera(std::move(frames)) {
    display.keys = std::move(keys);
    policy.retry_pause = milliseconds(0);
  }
  int run() {
    try {
      return run_frame_loop(camera, display, out, err, policy);
    } catch (...) {
      return report_failure(std::current_exception(), err);
    }
  }
};

// Catches a wrong window order or title, a key poll before the last window, Q taken for q, a
// counter that starts anywhere but 1, and anything but four reads per iteration.
TEST(FrameLoop, RunsUntilLowercaseQWithFourReadsAndSevenWindowsPerIteration) {
  LoopRun loop(std::vector<cv::Mat>(12, solid(40)), {-1, 'Q', 'q'});
  EXPECT_EQ(loop.run(), 0);
  EXPECT_EQ(loop.camera.reads, 12U);
  EXPECT_EQ(loop.display.polls, 3);
  ASSERT_EQ(loop.display.titles.size(), 21U);
  for (size_t i = 0; i < 21; i += 7) {
    EXPECT_THAT(std::vector(loop.display.titles.begin() + i, loop.display.titles.begin() + i + 7),
                ::testing::ElementsAre("Source image", "hist_image", "histmax_color",
                                       "COLOR_BGR2GRAY", "2D_FFT", "Laplacian", "diff image"));
  }
  EXPECT_EQ(loop.out.str(),
            " Red = 40 Green = 40 Blue = 40 Frame_num = 1\n"
            " Red = 40 Green = 40 Blue = 40 Frame_num = 2\n"
            " Red = 40 Green = 40 Blue = 40 Frame_num = 3\n");
}

// Catches a stage fed from the wrong read, and an empty read reaching a stage instead of being
// retried: six windows from the first frame, "diff image" from the next three (10, 60, 10).
TEST(FrameLoop, FailedReadsAreRetriedAndEachWindowShowsItsOwnFrames) {
  const cv::Mat none;
  LoopRun loop({none, none, solid(200), solid(10), none, solid(60), solid(10)}, {'q'});
  EXPECT_EQ(loop.run(), 0);
  EXPECT_EQ(loop.camera.reads, 7U);
  auto& shown = loop.display.images;
  EXPECT_TRUE(same(shown["Source image"][0], solid(200)));
  EXPECT_TRUE(same(shown["COLOR_BGR2GRAY"][0], solid(200, {8, 6}, CV_8UC1)));
  EXPECT_TRUE(same(shown["histmax_color"][0], solid(200, {400, 400})));
  EXPECT_TRUE(same(shown["diff image"][0], solid(50, {8, 6}, CV_8UC1)));
}

// Catches endless retrying, or giving up early, when the camera stops delivering frames.
TEST(FrameLoop, TenFailedReadsInARowEndTheRunWithStatusOneAndAMessage) {
  LoopRun loop(std::vector<cv::Mat>(5, solid(5)), {});
  loop.policy.camera_name = "camera 1";
  EXPECT_EQ(loop.run(), 1);
  EXPECT_EQ(loop.camera.reads, 5U + 10U);
  EXPECT_EQ(loop.display.polls, 1);
  EXPECT_THAT(loop.err.str(), StartsWith("camscope: camera 1 stopped delivering frames"));
}

// Catches a give-up rule counted only in tries when each failed read takes long.
TEST(FrameLoop, NoFrameWithinTheTimeoutEndsTheRun) {
  LoopRun loop({}, {});
  loop.camera.read_time = milliseconds(40);
  loop.policy.timeout = milliseconds(100);
  EXPECT_EQ(loop.run(), 1);
  EXPECT_THAT(loop.camera.reads, ::testing::AllOf(::testing::Ge(3U), ::testing::Lt(10U)));
}

// Catches a gray frame reaching the colour stages, or being retried like a failed read.
TEST(FrameLoop, FrameThatIsNotColourEndsTheRunNamingItsType) {
  LoopRun loop({solid(3, {4, 4}, CV_8UC1)}, {});
  EXPECT_EQ(loop.run(), 1);
  EXPECT_EQ(loop.camera.reads, 1U);
  EXPECT_TRUE(loop.display.titles.empty());
  EXPECT_THAT(loop.err.str(), HasSubstr("CV_8UC1"));
}

// Catches a crash or a stopped loop when the camera changes its mode between motion reads.
TEST(FrameLoop, MotionFramesOfTwoSizesShowBlackDiffAndTheLoopGoesOn) {
  const cv::Size small(4, 4);
  LoopRun loop({solid(9), solid(9), solid(9), solid(9, small), solid(9, small), solid(9, small),
                solid(20, small), solid(9, small)},
               {-1, 'q'});
  EXPECT_EQ(loop.run(), 0);
  EXPECT_TRUE(same(loop.display.images["diff image"][0], solid(0, small, CV_8UC1)));
  EXPECT_TRUE(same(loop.display.images["diff image"][1], solid(11, small, CV_8UC1)));
}

// Catches a stop signal that kills the program silently instead of ending the loop with a message.
TEST(FrameLoop, StopSignalEndsTheRunAfterItsIterationWithAMessage) {
  install_signal_handling();
  raise(SIGTERM);
  LoopRun loop(std::vector<cv::Mat>(8, solid(1)), {});
  EXPECT_EQ(loop.run(), 128 + SIGTERM);
  EXPECT_EQ(loop.display.polls, 1);
  EXPECT_THAT(loop.err.str(), StartsWith("camscope: stopped by SIGTERM"));
}

// Catches an OpenCV error or unknown exception ending the program silently or with status 0.
TEST(Startup, EveryKindOfFailureBecomesAMessageAndStatusOne) {
  std::ostringstream err;
  EXPECT_EQ(report_failure(std::make_exception_ptr(cv::Exception(-215, "m", "f", "x.cpp", 1)), err),
            1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(42), err), 1);
  EXPECT_THAT(err.str(), StartsWith("camscope: OpenCV failed: "));
  EXPECT_THAT(err.str(), HasSubstr("\ncamscope: "));
}

}  // namespace
