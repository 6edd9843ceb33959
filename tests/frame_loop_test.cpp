// The loop through its seam: a fake camera and a recording display, no camera and no windows.
#include "frame_loop.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <thread>

#include "startup.hpp"

namespace {

using ::testing::HasSubstr;

// Serves the given frames in turn (an empty one is a failed read), then fails every read.
class FakeCamera : public cv::VideoCapture {
 public:
  explicit FakeCamera(std::vector<cv::Mat> frames, std::chrono::milliseconds read_time = {})
      : frames_(std::move(frames)), read_time_(read_time) {}
  bool isOpened() const override { return true; }
  bool read(cv::OutputArray image) override {
    std::this_thread::sleep_for(read_time_);
    const cv::Mat next = reads < frames_.size() ? frames_[reads] : cv::Mat();
    ++reads;
    next.copyTo(image);
    return !next.empty();
  }
  size_t reads = 0;

 private:
  std::vector<cv::Mat> frames_;
  std::chrono::milliseconds read_time_;
};

// Keeps a copy of everything shown, and answers the key polls from a script (then -1).
class RecordingDisplay : public Display {
 public:
  explicit RecordingDisplay(std::deque<int> keys) : keys_(std::move(keys)) {}
  void show(const std::string& title, const cv::Mat& image) override {
    titles.push_back(title);
    images[title].push_back(image.clone());
  }
  int poll_key() override {
    ++polls;
    const int key = keys_.empty() ? -1 : keys_.front();
    if (!keys_.empty())
      keys_.pop_front();
    return key;
  }
  std::vector<std::string> titles;
  std::map<std::string, std::vector<cv::Mat>> images;  // by title, one per iteration
  int polls = 0;

 private:
  std::deque<int> keys_;
};

cv::Mat solid(int value, cv::Size size = {8, 6}) {
  return cv::Mat(size, CV_8UC3, cv::Scalar::all(value));
}

ReadPolicy quick_policy() {
  ReadPolicy policy;
  policy.retry_pause = std::chrono::milliseconds(0);
  return policy;
}

struct LoopRun {
  std::ostringstream out, err;
  int status = -2;
  void run(FakeCamera& camera, RecordingDisplay& display,
           const ReadPolicy& policy = quick_policy()) {
    status = run_frame_loop(camera, display, out, err, policy);
  }
};

bool same(const cv::Mat& a, const cv::Mat& b) {
  if (a.size() != b.size() || a.type() != b.type())
    return false;
  const cv::Mat differs = a != b;
  return cv::countNonZero(differs.reshape(1)) == 0;
}

// Catches a wrong window order or title, a key poll before the last window, Q taken for q, a
// counter that starts anywhere but 1, and anything but four reads per iteration.
TEST(FrameLoop, RunsUntilLowercaseQWithFourReadsAndSevenWindowsPerIteration) {
  std::vector<cv::Mat> frames(12, solid(40));
  FakeCamera camera(frames);
  RecordingDisplay display({-1, 'Q', 'q'});
  LoopRun loop;
  loop.run(camera, display);

  EXPECT_EQ(loop.status, 0);
  EXPECT_EQ(camera.reads, 12U);
  EXPECT_EQ(display.polls, 3);
  const std::vector<std::string> one_iteration{"Source image",   "hist_image", "histmax_color",
                                               "COLOR_BGR2GRAY", "2D_FFT",     "Laplacian",
                                               "diff image"};
  ASSERT_EQ(display.titles.size(), 21U);
  for (size_t i = 0; i < display.titles.size(); i++) {
    EXPECT_EQ(display.titles[i], one_iteration[i % 7]);
  }
  EXPECT_EQ(loop.out.str(),
            " Red = 40 Green = 40 Blue = 40 Frame_num = 1\n"
            " Red = 40 Green = 40 Blue = 40 Frame_num = 2\n"
            " Red = 40 Green = 40 Blue = 40 Frame_num = 3\n");
}

// Catches a stage fed from the wrong read: six windows from the first frame, motion from the rest.
TEST(FrameLoop, FirstSixWindowsShowTheFirstFrameAndDiffImageTheNextThree) {
  FakeCamera camera({solid(200), solid(10), solid(60), solid(10)});
  RecordingDisplay display({'q'});
  LoopRun loop;
  loop.run(camera, display);

  EXPECT_TRUE(same(display.images["Source image"][0], solid(200)));
  EXPECT_TRUE(same(display.images["COLOR_BGR2GRAY"][0], cv::Mat(6, 8, CV_8UC1, cv::Scalar(200))));
  EXPECT_TRUE(
      same(display.images["histmax_color"][0], cv::Mat(400, 400, CV_8UC3, cv::Scalar::all(200))));
  EXPECT_TRUE(same(display.images["diff image"][0], cv::Mat(6, 8, CV_8UC1, cv::Scalar(50))));
}

// Catches an empty frame reaching a stage: failed reads are retried, in any of the four reads.
TEST(FrameLoop, FailedReadsAreRetriedAndSkippedFramesAreNeverShown) {
  const cv::Mat none;
  FakeCamera camera({none, none, solid(90), solid(1), none, solid(2), solid(3)});
  RecordingDisplay display({'q'});
  LoopRun loop;
  loop.run(camera, display);
  EXPECT_EQ(loop.status, 0);
  EXPECT_EQ(camera.reads, 7U);
  EXPECT_TRUE(same(display.images["Source image"][0], solid(90)));
}

// Catches endless retrying, or giving up early, when the camera stops delivering.
TEST(FrameLoop, GivesUpAfterTenFailedReadsInARowWithAMessage) {
  FakeCamera camera({solid(5), solid(5), solid(5), solid(5), solid(5)});
  RecordingDisplay display({});
  LoopRun loop;
  ReadPolicy policy = quick_policy();
  policy.camera_name = "camera 1";
  try {
    loop.run(camera, display, policy);
    FAIL() << "the loop went on without frames";
  } catch (...) {
    EXPECT_EQ(report_failure(std::current_exception(), loop.err), 1);
  }
  EXPECT_EQ(camera.reads, 5U + 10U);
  EXPECT_THAT(loop.err.str(), HasSubstr("camscope: camera 1 stopped delivering frames"));
  EXPECT_EQ(display.polls, 1);  // the first iteration completed, the second never reached a window
}

// Catches a retry limit counted only in tries when each failed read takes long.
TEST(FrameLoop, GivesUpWhenNoFrameArrivesWithinTheTimeout) {
  FakeCamera camera(std::vector<cv::Mat>{}, std::chrono::milliseconds(40));
  RecordingDisplay display({});
  LoopRun loop;
  ReadPolicy policy = quick_policy();
  policy.timeout = std::chrono::milliseconds(100);
  EXPECT_THROW(loop.run(camera, display, policy), CameraError);
  EXPECT_LT(camera.reads, 10U);
  EXPECT_GE(camera.reads, 3U);
}

// Catches a single-channel frame reaching the colour stages, or being retried like a failed read.
TEST(FrameLoop, FrameThatIsNotColourEndsTheRunNamingItsType) {
  FakeCamera camera(std::vector<cv::Mat>{cv::Mat(4, 4, CV_8UC1, cv::Scalar(3))});
  RecordingDisplay display({});
  LoopRun loop;
  try {
    loop.run(camera, display);
    FAIL() << "a gray frame was accepted";
  } catch (const CameraError& e) {
    EXPECT_THAT(e.what(), HasSubstr("CV_8UC1"));
  }
  EXPECT_EQ(camera.reads, 1U);
  EXPECT_TRUE(display.titles.empty());
}

// Catches a crash or a stopped loop when the camera changes its mode between motion reads.
TEST(FrameLoop, MotionFramesOfTwoSizesShowBlackDiffAndTheLoopGoesOn) {
  const cv::Size small(4, 4);
  FakeCamera camera({solid(9), solid(9), solid(9), solid(9, small), solid(9, small),
                     solid(9, small), solid(20, small), solid(9, small)});
  RecordingDisplay display({-1, 'q'});
  LoopRun loop;
  loop.run(camera, display);
  EXPECT_EQ(loop.status, 0);
  EXPECT_EQ(display.polls, 2);
  EXPECT_TRUE(same(display.images["diff image"][0], cv::Mat(small, CV_8UC1, cv::Scalar(0))));
  EXPECT_TRUE(same(display.images["diff image"][1], cv::Mat(small, CV_8UC1, cv::Scalar(11))));
}

}  // namespace
