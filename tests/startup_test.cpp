// SPDX-License-Identifier: Apache-2.0
// Start-up through its seam: which camera the run keeps, that every read goes to it, and that
// OpenCV's log is silent while the cameras are opened unless the user chose its level.
#include <gtest/gtest.h>

#include <cstdlib>
#include <opencv2/core/utils/logger.hpp>
#include <sstream>

#include "camera_choice.hpp"
#include "frame_loop.hpp"

namespace {

using cv::utils::logging::getLogLevel;
using cv::utils::logging::LogLevel;

// A camera that opens or not, counts its reads and serves a gray frame; also the loop's display,
// answering its first key poll with q.
struct FakeCamera : cv::VideoCapture, Display {
  explicit FakeCamera(bool can_open) : opens(can_open) {}
  bool isOpened() const override { return opens; }
  bool read(cv::OutputArray image) override {
    ++reads;
    cv::Mat(4, 4, CV_8UC3, cv::Scalar::all(9)).copyTo(image);
    return true;
  }
  void show(const std::string&, const cv::Mat&) override {}
  int poll_key() override { return 'q'; }
  bool opens;
  int reads = 0;
};

// Catches camera 1 tried, or the run going on, without camera 0; camera 1 not preferred, or camera
// 0 kept in part (a motion read going to it); messages naming the wrong camera; and OpenCV's log
// left on while a camera opens, or left silent afterwards.
TEST(StartUp, KeepsCameraOneWhenItOpensAndCameraZeroMustOpen) {
  const struct {
    std::vector<int> tried;
    int kept;  // -1: none, the program ends with -1
    bool camera0, camera1;
  } cases[] = {{{0}, -1, false, true},
               {{0}, -1, false, false},
               {{0, 1}, 0, true, false},
               {{0, 1}, 1, true, true}};
  const LogLevel before = cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_INFO);
  for (const auto& c : cases) {
    const std::shared_ptr<FakeCamera> cameras[] = {std::make_shared<FakeCamera>(c.camera0),
                                                   std::make_shared<FakeCamera>(c.camera1)};
    std::vector<int> tried;
    const auto open = [&](int index) -> std::shared_ptr<cv::VideoCapture> {
      tried.push_back(index);
      EXPECT_EQ(getLogLevel(), cv::utils::logging::LOG_LEVEL_SILENT) << index;
      return cameras[index];
    };
    const std::optional<ChosenCamera> chosen = choose_camera(open);
    EXPECT_EQ(getLogLevel(), cv::utils::logging::LOG_LEVEL_INFO);
    EXPECT_EQ(tried, c.tried);
    ASSERT_EQ(chosen.has_value(), c.kept >= 0);
    if (!chosen) {
      continue;
    }
    EXPECT_EQ(chosen->name, "camera " + std::to_string(c.kept));
    std::ostringstream console;
    FakeCamera& kept = *cameras[c.kept];
    EXPECT_EQ(run_frame_loop(*chosen->cap, kept, console, ReadPolicy{}), 0);
    EXPECT_EQ(kept.reads, 4);
    EXPECT_EQ(cameras[1 - c.kept]->reads, 0);
  }
  // The user's OPENCV_LOG_LEVEL is theirs: the level stays as it is while the cameras open.
  (void)setenv("OPENCV_LOG_LEVEL", "INFO", 1);  // NOLINT(concurrency-mt-unsafe)
  const auto open = [](int) -> std::shared_ptr<cv::VideoCapture> {
    EXPECT_EQ(getLogLevel(), cv::utils::logging::LOG_LEVEL_INFO);
    return std::make_shared<FakeCamera>(true);
  };
  EXPECT_TRUE(choose_camera(open).has_value());
  (void)unsetenv("OPENCV_LOG_LEVEL");  // NOLINT(concurrency-mt-unsafe)
  cv::utils::logging::setLogLevel(before);
}

}  // namespace
