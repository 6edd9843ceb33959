// SPDX-License-Identifier: Apache-2.0
// The watchdog in a run of the loop whose first read hangs or is stopped; the choice of camera,
// whose openings it guards; and how a failure becomes a message.
#include "watchdog.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "camera_choice.hpp"
#include "fake_desktop.hpp"
#include "startup.hpp"
#include "time_limits.hpp"

namespace {

using std::chrono::milliseconds;

// Stops the whole process, as Ctrl+Z does, and has it continued after a while.
void stop_process_for(milliseconds pause) {
  const pid_t self = getpid();
  if (fork() == 0) {  // the waker, a process of its own: every thread of this one stops
    std::this_thread::sleep_for(pause);
    (void)kill(self, SIGCONT);
    _exit(0);
  }
  (void)raise(SIGSTOP);
}

// The blocked and ignored signals of a program that the C library starts (popen spawns it), as
// its /proc status says.
std::string spawned_signal_state() {
  FILE* child = popen("grep '^Sig[BI]' /proc/self/status", "r");
  char text[256] = {};
  const size_t got = child != nullptr ? std::fread(text, 1, sizeof text - 1, child) : 0;
  EXPECT_EQ(child != nullptr ? pclose(child) : -1, 0);
  return std::string(text, got);
}

// The watchdog's thread, with the process set up as main sets it up, in a run of the loop whose
// first read hangs, or is stopped. Catches a read that hangs holding up the run longer than
// camscope's limit of 5 s, or a message that does not say how long was waited or cuts a long
// camera name; a guard left on after a read that came in time, which would end a healthy run; time
// spent stopped (Ctrl+Z, then fg a second later) counted against the read limit of 0.5 s by the
// read it interrupted (which goes on for 0.25 s after); and a program started by a library left
// with signals blocked or ignored that were not at start.
TEST(Watchdog, AHungReadEndsTheRunAtItsLimitAndAPauseCountsNot) {
  const std::string long_name(300, 'v');
  const struct {
    milliseconds hang_for, timeout;
    std::string message;
    int status;
    milliseconds stopped_for{0};
  } cases[] = {{milliseconds(10000), kReadLimit,
                "^camscope: " + long_name +
                    " stopped delivering frames \\(none for 5\\.[0-4] s\\); check that it is "
                    "connected and not in use by another program\n$",
                1},
               {{}, milliseconds(100), "^the run ended after 14 windows\n$", 0},
               {milliseconds(250), milliseconds(500), "^the run ended after 14 windows\n$", 0,
                milliseconds(1000)}};
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          const std::string at_start = spawned_signal_state();
          start_up();
          const bool child_as_at_start = spawned_signal_state() == at_start;
          FakeDesktop camera;
          camera.on_first_read = [&] {
            if (c.stopped_for.count() > 0)
              stop_process_for(c.stopped_for);
            std::this_thread::sleep_for(c.hang_for);
          };
          camera.policy.timeout = c.timeout;
          camera.policy.camera_name = long_name;
          std::vector<cv::Mat> frames(9, solid(1));
          frames[0] = cv::Mat();
          const int status = camera.run(frames, {-1, 'q'});
          std::cerr << camera.err.str() << "the run ended after " << camera.shown.size()
                    << " windows\n";
          std::this_thread::sleep_for(milliseconds(400));  // for a guard left on
          std::exit(child_as_at_start ? status : 3);       // NOLINT(concurrency-mt-unsafe)
        },
        ::testing::ExitedWithCode(c.status), c.message);
  }
}

// Catches camera 1 tried, or the run going on, without camera 0; camera 1 not preferred, or not
// read; messages naming the wrong camera; and a camera whose opening never returns
// (GStreamer waiting for a first frame) holding up the start for ever, or given up without its name
// or how long was waited.
TEST(StartUp, KeepsCameraOneWhenItOpensAndCameraZeroMustOpen) {
  for (const int hung : {0, 1}) {
    const auto open = [&](int index) {
      std::this_thread::sleep_for(std::chrono::seconds(index == hung ? 10 : 0));
      return std::make_shared<FakeDesktop>();
    };
    EXPECT_EXIT(
        {
          Watchdog watchdog;
          choose_camera(open, milliseconds(300), watchdog);
        },
        ::testing::ExitedWithCode(1),
        "^camscope: camera " + std::to_string(hung) +
            " sends no frame \\(none in 0\\.[3-9] s\\); check that it is connected, receives a "
            "picture and is not in use by another program" +
            (hung == 1 ? ", or disconnect it to use camera 0" : "") + "\n$");
  }
  const struct {
    std::vector<int> tried;
    int kept;  // -1: none, the program ends with -1
    bool camera0, camera1;
  } cases[] = {{{0}, -1, false, true}, {{0, 1}, 0, true, false}, {{0, 1}, 1, true, true}};
  Watchdog watchdog;
  for (const auto& c : cases) {
    std::shared_ptr<FakeDesktop> cameras[] = {std::make_shared<FakeDesktop>(),
                                              std::make_shared<FakeDesktop>()};
    cameras[0]->opens = c.camera0;
    cameras[1]->opens = c.camera1;
    std::vector<int> tried;
    const auto open = [&](int index) -> std::shared_ptr<cv::VideoCapture> {
      tried.push_back(index);
      return cameras[index];
    };
    const std::optional<ChosenCamera> chosen = choose_camera(open, milliseconds(5000), watchdog);
    EXPECT_EQ(tried, c.tried);
    ASSERT_EQ(chosen.has_value(), c.kept >= 0);
    if (chosen) {
      EXPECT_EQ(chosen->name, "camera " + std::to_string(c.kept));
      EXPECT_EQ(chosen->cap, cameras[c.kept]);
    }
  }
}

// Catches an OpenCV error or an unknown exception ending the program silently or with status 0.
TEST(FailureReport, EveryKindOfFailureBecomesAMessage) {
  std::ostringstream err;
  const cv::Exception error(-215, "m", "f", "x.cpp", 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(error), "camscope-demo", err), 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(42), "camscope-demo", err), 1);
  EXPECT_THAT(err.str(), ::testing::StartsWith("camscope-demo: OpenCV failed: "));
  EXPECT_NE(err.str().find("\ncamscope-demo: ended by an unknown error"), std::string::npos);
}

}  // namespace
