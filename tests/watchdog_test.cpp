// SPDX-License-Identifier: Apache-2.0
// The watchdog: its rules on a clock of the test's own, then its thread and the signals in a run of
// the loop; the choice of camera, whose openings it guards; and how a failure becomes a message.
#include "watchdog.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "camera_choice.hpp"
#include "deadline_rules.hpp"
#include "fake_desktop.hpp"
#include "signals.hpp"
#include "startup.hpp"
#include "time_limits.hpp"

namespace {

using std::chrono::milliseconds;

// Catches a pause counted against a wait's limit or a stop's grace (before or after the limit
// passed, once or twice), a stop that does not replace the wait's limit by its 2 s grace or that
// ends with the wait's status, a second stop that moves the grace or changes the signal, a stop
// taken that keeps its grace, a wait left guarded after its end, a second wait that replaces the
// first's limit, and a message without the seconds waited to the nearest tenth.
TEST(DeadlineRules, EachCaseIsDueWhenItsRulesSayAndEndsAsItsRulesSay) {
  const struct {
    const char* name;
    std::vector<std::pair<int, char>> steps;  // at (ms): wait, end, INT, TERM, continue, take
    int due, status;                          // due -1: nothing due
    std::string message;
  } cases[] = {
      {"a wait past its limit", {{0, 'w'}}, 5000, 1, "before 5.0 s after"},
      {"a pause before the limit", {{0, 'w'}, {3000, 'c'}}, 8000, 1, "before 5.0 s after"},
      {"a pause after it", {{0, 'w'}, {9000, 'c'}}, 14000, 1, "before 5.0 s after"},
      {"two pauses", {{0, 'w'}, {2000, 'c'}, {4000, 'c'}}, 9000, 1, "before 5.0 s after"},
      {"a stop during a wait", {{0, 'w'}, {1000, 'i'}}, 3000, 130, "stopped by SIGINT"},
      {"a stop, a pause", {{0, 'w'}, {4000, 't'}, {9000, 'c'}}, 11000, 143, "stopped by SIGTERM"},
      {"a second stop", {{0, 'w'}, {1000, 'i'}, {2000, 't'}}, 3000, 130, "stopped by SIGINT"},
      {"a stop taken", {{0, 'w'}, {1000, 'i'}, {1500, 'k'}}, 5000, 1, "before 5.0 s after"},
      {"a wait that ended", {{0, 'w'}, {100, 'e'}}, -1, 0, ""},
      {"a second wait", {{0, 'w'}, {1000, 'w'}}, 5000, 1, "before 5.0 s after"}};
  const DeadlineRules::Clock::time_point zero{std::chrono::hours(1)};
  for (const auto& c : cases) {
    DeadlineRules rules;
    for (const auto& [at_ms, what] : c.steps) {
      const auto at = zero + milliseconds(at_ms);
      switch (what) {
        case 'w':
          (void)rules.start_wait(at, milliseconds(5000), "before ", " after");
          break;
        case 'e':
          rules.end_wait();
          break;
        case 'c':
          rules.continued(at);
          break;
        case 'k':
          EXPECT_EQ(rules.take_stop(), SIGINT) << c.name;
          break;
        default:
          rules.stop_requested(what == 'i' ? SIGINT : SIGTERM, at);
      }
    }
    if (c.due < 0) {
      EXPECT_FALSE(rules.due()) << c.name;
      continue;
    }
    EXPECT_EQ(rules.due(), zero + milliseconds(c.due)) << c.name;
    EXPECT_FALSE(rules.ending(zero + milliseconds(c.due - 1))) << c.name;
    const std::optional<Ending> ending = rules.ending(zero + milliseconds(c.due + 40));
    ASSERT_TRUE(ending) << c.name;
    EXPECT_EQ(ending->message, c.message) << c.name;
    EXPECT_EQ(ending->status, c.status) << c.name;
  }
  EXPECT_EQ(seconds_text(milliseconds(4949)), "4.9 s");
  EXPECT_EQ(seconds_text(milliseconds(12950)), "13.0 s");
}

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

// The blocked and ignored signals of a program started by posix_spawn, as its /proc status says.
std::string spawned_signal_state() {
  int out[2];
  EXPECT_EQ(pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  char grep[] = "grep", pattern[] = "^Sig[BI]", status[] = "/proc/self/status";
  char* argv[] = {grep, pattern, status, nullptr};
  pid_t child = 0;
  EXPECT_EQ(posix_spawnp(&child, "grep", &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  (void)close(out[1]);
  char text[256] = {};
  const ssize_t got = read(out[0], text, sizeof text - 1);
  (void)close(out[0]);
  (void)waitpid(child, nullptr, 0);
  return got > 0 ? std::string(text, size_t(got)) : "";
}

// The watchdog's thread, with the signals taken over as main takes them, in a run of the loop whose
// first read sends a signal, is stopped, or hangs. Catches a stop signal that kills the program
// silently, or ends it before its iteration is done, instead of ending the loop with a message
// and 128 + N, or after its grace by the signal itself; one that waits for a hung read instead of
// ending the run within its grace of 2 s (the read's own limit, 5 s, would end it with status 1); a
// read that hangs holding up the run longer than camscope's limit of 5 s, or a message that does
// not say how long was waited or cuts a long camera name; a guard left on after a read that came in
// time, which would end a healthy run; time spent stopped (Ctrl+Z, then fg a second later) counted
// against the read limit of 0.5 s by the read it interrupted (which goes on for 0.25 s after); a
// program started by a library (posix_spawn) left with signals blocked or ignored that were not at
// start; and any of these ending 2 s after its limit.
TEST(Watchdog, AStopEndsTheRunAfterItsIterationOrItsGraceAndAHungReadAtItsLimit) {
  const std::string long_name(300, 'v');
  const auto ended = [](int windows) {
    return "the run ended after " + std::to_string(windows) + " windows\n$";
  };
  const struct {
    milliseconds hang_for, timeout;
    std::string message;
    int signal, status;  // status -N: killed by signal N
    milliseconds stopped_for{0};
  } cases[] = {
      {milliseconds(10000), kReadLimit,
       "^camscope: " + long_name +
           " stopped delivering frames \\(none for 5\\.[0-4] s\\); check that it is "
           "connected and not in use by another program\n$",
       0, 1},
      {milliseconds(10000), milliseconds(5000), "^camscope: stopped by SIGINT\n$", SIGINT, -SIGINT},
      {milliseconds(1000), milliseconds(5000), "^camscope: stopped by SIGHUP\n" + ended(7), SIGHUP,
       128 + SIGHUP},
      {{}, milliseconds(100), "^" + ended(14), 0, 0},
      {milliseconds(250), milliseconds(500), "^" + ended(14), 0, 0, milliseconds(1000)}};
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          const std::string at_start = spawned_signal_state();
          Watchdog watchdog(start_up("camscope"));
          const bool child_as_at_start = spawned_signal_state() == at_start;
          FakeDesktop camera;
          camera.on_first_read = [&] {
            (void)(c.signal != 0 && kill(getpid(), c.signal));
            if (c.stopped_for.count() > 0)
              stop_process_for(c.stopped_for);
            std::this_thread::sleep_for(c.hang_for);
          };
          camera.policy.timeout = c.timeout;
          camera.policy.camera_name = long_name;
          std::vector<cv::Mat> frames(9, solid(1));
          frames[0] = cv::Mat();
          const int status = camera.run(frames, {-1, 'q'}, watchdog);
          std::cerr << camera.err.str() << "the run ended after " << camera.shown.size()
                    << " windows\n";
          std::this_thread::sleep_for(milliseconds(400));  // for a guard left on
          std::exit(child_as_at_start ? status : 3);       // NOLINT(concurrency-mt-unsafe)
        },
        [&](int status) {
          return c.status < 0 ? WIFSIGNALED(status) && WTERMSIG(status) == -c.status
                              : WIFEXITED(status) && WEXITSTATUS(status) == c.status;
        },
        c.message);
  }
}

// Catches camera 1 tried, or the run going on, without camera 0; camera 1 not preferred, or not
// read; messages naming the wrong camera; and a camera whose opening never returns
// (GStreamer waiting for a first frame) holding up the start for ever, or given up without its name
// or how long was waited; a camera opened through GStreamer first (its largest, slowest mode), or
// against the user's OPENCV_VIDEOIO_PRIORITY_LIST.
TEST(StartUp, KeepsCameraOneWhenItOpensAndCameraZeroMustOpen) {
  for (const int hung : {0, 1}) {
    const auto open = [&](int index) {
      std::this_thread::sleep_for(std::chrono::seconds(index == hung ? 10 : 0));
      return std::make_shared<FakeDesktop>();
    };
    EXPECT_EXIT(
        {
          Watchdog watchdog(start_up("camscope"));
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
  // V4L2 first, which takes a webcam's live mode; OpenCV's own order where the user set one.
  EXPECT_EQ(capture_routes(false), (std::vector<cv::VideoCaptureAPIs>{cv::CAP_V4L2, cv::CAP_ANY}));
  EXPECT_EQ(capture_routes(true), std::vector<cv::VideoCaptureAPIs>{cv::CAP_ANY});
}

// Catches an OpenCV error or an unknown exception ending the program silently or with status 0,
// and a fatal signal (Qt's abort, say) that ends it without a word, or under another program's
// name.
TEST(FailureReport, EveryKindOfFailureBecomesAMessage) {
  EXPECT_EXIT(
      {
        (void)take_over_signals("camscope-demo");
        (void)raise(SIGABRT);
      },
      ::testing::KilledBySignal(SIGABRT),
      "^camscope-demo: ended by SIGABRT; please report this as a bug");
  std::ostringstream err;
  const cv::Exception error(-215, "m", "f", "x.cpp", 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(error), "camscope-demo", err), 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(42), "camscope-demo", err), 1);
  EXPECT_THAT(err.str(), ::testing::StartsWith("camscope-demo: OpenCV failed: "));
  EXPECT_NE(err.str().find("\ncamscope-demo: ended by an unknown error"), std::string::npos);
}

}  // namespace
