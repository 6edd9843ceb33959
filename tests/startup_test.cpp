// Start-up checks and failure reporting: the window system, stop signals and error messages.
#include "startup.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <sstream>

#include "frame_loop.hpp"

namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

// Catches a check that lets Qt abort the program, or that refuses a working window system.
TEST(Startup, WindowSystemIsFoundThroughAnyOfItsThreeVariables) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    unsetenv(name);
  EXPECT_FALSE(window_system_available());
  setenv("DISPLAY", "", 1);
  EXPECT_FALSE(window_system_available());
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    setenv(name, "x", 1);
    EXPECT_TRUE(window_system_available()) << name;
    unsetenv(name);
  }
}

// Catches an OpenCV error or unknown exception ending the program silently or with status 0.
TEST(Startup, EveryKindOfFailureBecomesAMessageAndStatusOne) {
  std::ostringstream err;
  EXPECT_EQ(
      report_failure(std::make_exception_ptr(cv::Exception(-215, "bad", "f", "x.cpp", 1)), err), 1);
  EXPECT_THAT(err.str(), StartsWith("camscope: OpenCV failed: "));
  err.str("");
  EXPECT_EQ(report_failure(std::make_exception_ptr(42), err), 1);
  EXPECT_THAT(err.str(), StartsWith("camscope: "));
}

// Catches a stop signal that kills the program silently instead of ending the loop with a message.
TEST(Startup, StopSignalEndsTheLoopAfterItsIterationWithAMessage) {
  install_signal_handling();
  raise(SIGTERM);
  class Camera : public cv::VideoCapture {
    bool read(cv::OutputArray image) override {
      cv::Mat(2, 2, CV_8UC3, cv::Scalar::all(1)).copyTo(image);
      return true;
    }
  } camera;
  class NoWindows : public Display {
    void show(const std::string&, const cv::Mat&) override {}
    int poll_key() override { return -1; }
  } display;
  std::ostringstream out, err;
  EXPECT_EQ(run_frame_loop(camera, display, out, err, ReadPolicy{}), 128 + SIGTERM);
  EXPECT_THAT(err.str(), HasSubstr("camscope: stopped by signal"));
  EXPECT_EQ(take_stop_signal(), 0);
}

}  // namespace
