// SPDX-License-Identifier: Apache-2.0
// The loop through its seam (a fake camera and display): what each window shows, the histogram
// plot, peaks and console line, the quit key, and how a failing camera, a signal or an error ends
// the run.
#include "frame_loop.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <map>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <thread>

#include "clip_camera.hpp"
#include "failure_report.hpp"
#include "signals.hpp"

namespace {

using std::chrono::milliseconds;
using ::testing::StartsWith;

cv::Mat solid(const cv::Scalar& colour, cv::Size size = {8, 6}, int type = CV_8UC3) {
  return cv::Mat(size, type, colour);
}

bool same(const cv::Mat& a, const cv::Mat& b) {
  return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

// Records the text of the stream at each flush, to tell a line flushed at once from one that waits.
struct FlushRecorder : std::stringbuf {
  std::vector<std::string> at_flush;
  int sync() override {
    at_flush.push_back(str());
    return 0;
  }
};

// The loop's camera and display at once. Serves the frames given in turn (an empty one is a failed
// read, and so is every read after the last, or before ready_at), keeps a copy of every image
// shown, and answers the key polls with the keys given, then -1. A failure or stop is reported as
// main reports it.
struct FakeDesktop : cv::VideoCapture, Display {
  std::vector<cv::Mat> frames;
  std::vector<int> keys;
  size_t reads = 0, served = 0, polls = 0;
  std::chrono::steady_clock::time_point ready_at{};
  std::vector<std::pair<std::string, cv::Mat>> shown;
  ReadPolicy policy{"camera 0", 10, milliseconds(5000), milliseconds(0)};  // no pause by default
  FlushRecorder console;
  std::ostream out{&console};
  std::ostringstream err;

  bool read(cv::OutputArray image) override {
    ++reads;
    const bool ready = std::chrono::steady_clock::now() >= ready_at;
    const cv::Mat next = ready && served < frames.size() ? frames[served++] : cv::Mat();
    next.copyTo(image);
    return !next.empty();
  }
  void show(const std::string& title, const cv::Mat& image) override {
    shown.emplace_back(title, image.clone());
  }
  int poll_key() override { return polls < keys.size() ? keys[polls++] : (++polls, -1); }
  int run(std::vector<cv::Mat> served_frames, std::vector<int> answers) {
    frames = std::move(served_frames);
    keys = std::move(answers);
    try {
      return run_frame_loop(*this, *this, out, policy);
    } catch (...) {
      return report_failure(std::current_exception(), "camscope", err);
    }
  }
};

// Gray by the published weights, 0.299 R + 0.587 G + 0.114 B, for colours far from a rounding tie.
uchar luma(const cv::Scalar& bgr) {
  return cv::saturate_cast<uchar>(0.114 * bgr[0] + 0.587 * bgr[1] + 0.299 * bgr[2]);
}

// Catches a window shown under the wrong title, in the wrong order or from the wrong frame, any
// key but the whole code 113 ending the run (Q, or a q with modifier bits above the low byte), a
// counter that does not start at 1, console items out of order or not flushed line by line,
// anything but four reads per iteration, an empty read that is not retried, channels swapped in
// either gray conversion (each colour's gray differs from its mirror's: 55 against 90), and peaks
// of black or white frames other than 0 and 255. The motion frames go 55, 60, 55 in gray (90, 60,
// 90 with swapped channels): "diff image" is 5 & 5.
TEST(FrameLoop, EachWindowShowsItsOwnFramesUntilTheWholeCodeOfQ) {
  const cv::Scalar warm(10, 50, 200), cool(200, 50, 10), gray60 = cv::Scalar::all(60);
  const cv::Scalar colours[] = {cool, {0, 0, 0}, {255, 255, 255}, warm, cool};
  const int keys[] = {-1, 'Q', 'q' + 0x100, 'q' + 0x10000, 'q'};
  std::vector<cv::Mat> frames{cv::Mat(), cv::Mat()};  // a driver that needs time to start
  for (const cv::Scalar& colour : colours) {
    for (const cv::Scalar& each : {colour, cool, gray60, cool})
      frames.push_back(solid(each));
  }
  frames.insert(frames.begin() + 7, cv::Mat());  // a hiccup amid the motion frames
  FakeDesktop loop;
  EXPECT_EQ(loop.run(frames, std::vector<int>(std::begin(keys), std::end(keys))), 0);
  EXPECT_EQ(loop.reads, frames.size());
  EXPECT_EQ(loop.polls, 5U);
  const std::string lines[] = {" Red = 10 Green = 50 Blue = 200 Frame_num = 1\n",
                               " Red = 0 Green = 0 Blue = 0 Frame_num = 2\n",
                               " Red = 255 Green = 255 Blue = 255 Frame_num = 3\n",
                               " Red = 200 Green = 50 Blue = 10 Frame_num = 4\n",
                               " Red = 10 Green = 50 Blue = 200 Frame_num = 5\n"};
  std::vector<std::string> flushed{lines[0]};
  for (int n = 1; n < 5; n++)
    flushed.push_back(flushed.back() + lines[n]);
  EXPECT_EQ(loop.console.at_flush, flushed);
  ASSERT_EQ(loop.shown.size(), 35U);
  EXPECT_EQ(luma(cool), 55);
  EXPECT_EQ(luma(warm), 90);
  for (int n = 0; n < 5; n++) {
    cv::Mat spectrum = solid(0, {8, 6}, CV_8UC1);
    spectrum.at<uchar>(3, 4) = n == 1 ? 0 : 255;  // a flat frame has only the zero frequency
    const std::pair<std::string, cv::Mat> expected[] = {
        {"Source image", solid(colours[n])},
        {"hist_image", cv::Mat()},  // its red marker is checked below
        {"histmax_color", solid(colours[n], {400, 400})},
        {"COLOR_BGR2GRAY", solid(luma(colours[n]), {8, 6}, CV_8UC1)},
        {"2D_FFT", spectrum},
        {"Laplacian", solid(0, {8, 6}, CV_8UC1)},
        {"diff image", solid(5, {8, 6}, CV_8UC1)}};
    for (int w = 0; w < 7; w++) {
      const auto& [title, image] = loop.shown[7 * n + w];
      EXPECT_EQ(title, expected[w].first) << n;
      EXPECT_TRUE(expected[w].second.empty() || same(image, expected[w].second))
          << title << " in iteration " << n;
    }
    const int red_peak = static_cast<int>(colours[n][2]);
    EXPECT_EQ(loop.shown[7 * n + 1].second.at<cv::Vec3b>(200, 2 * red_peak), cv::Vec3b(0, 0, 255));
  }
}

// Runs one iteration on each colour frame given, each followed by three motion frames, then quits.
void run_on(FakeDesktop& loop, const std::vector<cv::Mat>& colour_frames) {
  std::vector<cv::Mat> frames;
  for (const cv::Mat& frame : colour_frames)
    frames.insert(frames.end(), 4, frame);
  std::vector<int> keys(colour_frames.size(), -1);
  keys.back() = 'q';
  ASSERT_EQ(loop.run(frames, keys), 0);
  ASSERT_EQ(loop.shown.size(), 7 * colour_frames.size());
}

cv::Mat row_of(const std::vector<cv::Vec3b>& pixels) {
  return cv::Mat(pixels, true).reshape(3, 1);
}

const cv::Scalar kBlue(255, 0, 0), kGreen(0, 255, 0), kRed(0, 0, 255);

// The expected plot: each curve, 2 pixels thick, through (2k, 400 - height of bin k), the bins
// not named at height 0, drawn bin by bin (a later bin over an earlier one, and within a bin in
// the order given); then each peak's marker over the whole height.
cv::Mat expected_plot(const std::vector<std::pair<std::map<int, int>, cv::Scalar>>& curves,
                      const std::vector<std::pair<int, cv::Scalar>>& markers) {
  cv::Mat plot(400, 512, CV_8UC3, cv::Scalar::all(0));
  const auto vertex = [](const std::map<int, int>& heights, int k) {
    return cv::Point(2 * k, 400 - (heights.count(k) ? heights.at(k) : 0));
  };
  for (int k = 1; k < 256; k++)
    for (const auto& [heights, colour] : curves)
      cv::line(plot, vertex(heights, k - 1), vertex(heights, k), colour, 2, cv::LINE_8);
  for (const auto& [peak, colour] : markers)
    cv::line(plot, {2 * peak, 0}, {2 * peak, 399}, colour, 2, cv::LINE_8);
  return plot;
}

// Catches bin 0 kept in the scale, counts or curves left from the frame before, a peak short of
// the top row, thin curves, and a marker off its column or short of the bottom row.
TEST(Histograms, GrayFrameMostlyBlackGivesOneRedCurveWithItsPeakMarker) {
  FakeDesktop loop;
  run_on(loop, {row_of({{9, 99, 199}, {40, 50, 60}, {0, 0, 0}, {0, 0, 0}}),
                row_of({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {100, 100, 100}})});
  // Red is drawn last, so it covers the blue and green curves and markers it coincides with.
  EXPECT_TRUE(same(loop.shown.at(8).second, expected_plot({{{{100, 400}}, kRed}}, {{100, kRed}})));
}

// Catches swapped channels or colours, rounding of the scaled bins, `>=` in the peak search (ties
// keep the lowest bin), the order of the console line and of the swatch, and markers drawn under
// the curves: the blue marker crosses a green plateau (bins 29 to 31) that stands clear of it.
TEST(Histograms, ColourFrameGivesEachChannelItsCurvePeakMarkerAndSwatch) {
  FakeDesktop loop;
  // Blue: 30 three times. Green: 60 three times, 70 twice (400 * 2 / 3 = 266.7), 29, 30 and 31
  // once (133.3). Red: 50 and 80.
  run_on(loop, {row_of({{30, 60, 50},
                        {30, 60, 80},
                        {30, 60, 0},
                        {0, 70, 0},
                        {0, 70, 0},
                        {0, 0, 0},
                        {0, 29, 0},
                        {0, 30, 0},
                        {0, 31, 0}})});
  const cv::Mat expected =
      expected_plot({{{{30, 400}}, kBlue},
                     {{{29, 133}, {30, 133}, {31, 133}, {60, 400}, {70, 267}}, kGreen},
                     {{{50, 400}, {80, 400}}, kRed}},
                    {{30, kBlue}, {60, kGreen}, {50, kRed}});
  // Row 399 is left out: there the three flat curves, just below the plot, overlap bin by bin.
  EXPECT_TRUE(same(loop.shown.at(1).second.rowRange(0, 399), expected.rowRange(0, 399)));
  EXPECT_EQ(loop.console.str(), " Red = 50 Green = 60 Blue = 30 Frame_num = 1\n");
  EXPECT_TRUE(same(loop.shown.at(2).second, solid(cv::Scalar(30, 60, 50), {400, 400})));
}

// Catches endless retrying, or giving up at once, when the camera stops delivering frames; failed
// reads not paced (a camera that needs 0.65 s to start must get through with camscope's own
// rules: 10 tries, 100 ms apart, 5 s at most); a give-up rule counted only in tries, not in time;
// and a gray frame reaching the colour stages, or being retried like a failed read.
TEST(FrameLoop, CameraReadsArePacedAndAFailingCameraEndsTheRunWithAMessage) {
  const ReadPolicy camscope_rules;
  const struct {
    std::vector<cv::Mat> frames;
    milliseconds timeout, ready_after;
    int status;
    int reads;  // -1: not counted, where the count depends on timing
    std::string message;
  } cases[] = {
      {std::vector<cv::Mat>(5, solid(5)), milliseconds(5000), milliseconds(0), 1, 5 + 10,
       "camscope: camera 0 stopped delivering frames (10 reads in a row gave none)"},
      {{},
       milliseconds(0),
       milliseconds(0),
       1,
       0,
       "camscope: camera 0 stopped delivering frames (none for 0.0 s)"},
      {{solid(3, {4, 4}, CV_8UC1)},
       milliseconds(5000),
       milliseconds(0),
       1,
       1,
       "camscope: camera 0 delivers frames of type CV_8UC1"},
      {std::vector<cv::Mat>(4, solid(5)), camscope_rules.timeout, milliseconds(650), 0, -1, ""}};
  for (const auto& c : cases) {
    FakeDesktop loop;
    loop.policy.timeout = c.timeout;
    if (c.ready_after.count() > 0) {
      loop.policy = camscope_rules;
      loop.ready_at = std::chrono::steady_clock::now() + c.ready_after;
    }
    EXPECT_EQ(loop.run(c.frames, {c.status == 0 ? 'q' : -1}), c.status) << c.message;
    EXPECT_TRUE(c.reads < 0 || loop.reads == size_t(c.reads)) << c.message << ": " << loop.reads;
    EXPECT_THAT(loop.err.str(), StartsWith(c.message));
  }
  // camscope's own rules on a camera that never delivers: 10 tries, 0.9 s, before 5 s are up.
  FakeDesktop never;
  never.policy = camscope_rules;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(never.run({}, {}), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(900));
  EXPECT_THAT(never.err.str(),
              StartsWith("camscope: camera 0 stopped delivering frames (10 reads"));
}

// Catches a stop signal that kills the program silently, or ends it before its iteration is done,
// instead of ending the loop with a message and 128 + N; and a fatal signal (Qt's abort, say) that
// ends it without a word, or under another program's name.
TEST(Signals, StopEndsTheRunAfterItsIterationAndAFatalOneLeavesAMessage) {
  install_signal_handling("camscope-demo");
  for (const auto& [signo, name] : {std::pair{SIGINT, "INT"}, {SIGTERM, "TERM"}, {SIGHUP, "HUP"}}) {
    (void)raise(signo);
    FakeDesktop loop;
    EXPECT_EQ(loop.run(std::vector<cv::Mat>(8, solid(1)), {}), 128 + signo);
    EXPECT_EQ(loop.polls, 1U);
    EXPECT_EQ(loop.shown.size(), 7U);
    EXPECT_EQ(loop.err.str(), std::string("camscope: stopped by SIG") + name + "\n");
  }
  EXPECT_EXIT((void)raise(SIGABRT), ::testing::KilledBySignal(SIGABRT),
              "^camscope-demo: ended by SIGABRT; please report this as a bug");
}

// A camera whose reads never return (within the test's patience), and which may send a signal
// first, as if the user pressed Ctrl+C while the read hung.
struct HangingCamera : FakeDesktop {
  int signal_during_read = 0;
  bool read(cv::OutputArray) override {
    if (signal_during_read != 0) {
      (void)raise(signal_during_read);
    }
    std::this_thread::sleep_for(std::chrono::seconds(10));
    return false;
  }
};

// Catches a read that blocks for ever holding up the run, a message that does not say how long
// was waited, and a stop signal that waits for the blocked read instead of ending the run within
// its grace (the read's own limit, 5 s, would end it with status 1).
TEST(Deadline, ABlockedReadEndsTheRunAtItsLimitAndAStopWithinItsGrace) {
  install_signal_handling("camscope");
  EXPECT_EXIT(
      {
        HangingCamera camera;
        camera.policy.timeout = milliseconds(300);
        camera.run({}, {});
      },
      ::testing::ExitedWithCode(1),
      "^camscope: camera 0 stopped delivering frames \\(none for 0\\.[34] s\\); check that");
  EXPECT_EXIT(
      {
        HangingCamera camera;
        camera.policy = ReadPolicy{};
        camera.signal_during_read = SIGINT;
        camera.run({}, {});
      },
      ::testing::ExitedWithCode(128 + SIGINT), "^camscope: stopped by SIGINT\n$");
}

// The console line of a frame, from peaks counted here: per channel, the most frequent value
// above 0, the lowest of equals.
std::string console_line(const cv::Mat& frame, int frame_num) {
  int peaks[3] = {0, 0, 0}, counts[3][256] = {};
  for (auto pixel = frame.begin<cv::Vec3b>(); pixel != frame.end<cv::Vec3b>(); ++pixel)
    for (int c = 0; c < 3; c++)
      ++counts[c][(*pixel)[c]];
  for (int c = 0; c < 3; c++)
    for (int v = 1, most = 0; v < 256; v++)
      if (counts[c][v] > most) {
        most = counts[c][v];
        peaks[c] = v;
      }
  return " Red = " + std::to_string(peaks[2]) + " Green = " + std::to_string(peaks[1]) +
         " Blue = " + std::to_string(peaks[0]) + " Frame_num = " + std::to_string(frame_num) + "\n";
}

// Catches a clip not played from its first frame, not started again after its end, or not paced
// at its own frame rate; a picture not served over and over; and a clip with no frame, or a file
// that is not one, reaching the loop instead of a clear refusal. The clip's codec is lossy, so its
// frames are compared with what a plain capture reads back from the file.
TEST(Clip, PlaysFromItsFirstFrameAtItsOwnRateOverAndOver) {
  const std::string dir = ::testing::TempDir();
  const int mjpg = cv::VideoWriter::fourcc('M', 'J', 'P', 'G');
  {
    cv::VideoWriter writer(dir + "clip.avi", mjpg, 50, {16, 8});
    for (const cv::Scalar& colour : {cv::Scalar(10, 50, 200), {90, 130, 140}, {170, 210, 80}})
      writer << solid(colour, {16, 8});
    cv::VideoWriter empty(dir + "empty.avi", mjpg, 50, {16, 8});
  }
  std::vector<cv::Mat> read_back(3);
  cv::VideoCapture plain(dir + "clip.avi");
  for (cv::Mat& frame : read_back)
    ASSERT_TRUE(plain.read(frame));
  ClipCamera clip(dir + "clip.avi");
  EXPECT_EQ(clip.frame_rate(), 50);
  FakeDesktop windows;
  windows.keys = {-1, -1, 'q'};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run_frame_loop(clip, windows, windows.out, windows.policy), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(11 * 20));  // 12 frames
  // Iteration n begins with frame 4n of the endless clip, that is frame n of the file.
  ASSERT_EQ(windows.shown.size(), 21U);
  std::string lines;
  for (int n = 0; n < 3; n++) {
    EXPECT_TRUE(same(windows.shown.at(7 * size_t(n)).second, read_back[n])) << n;
    lines += console_line(read_back[n], n + 1);
  }
  EXPECT_EQ(windows.console.str(), lines);
  cv::imwrite(dir + "still.png", solid({10, 50, 200}, {16, 8}));
  ClipCamera still(dir + "still.png");
  for (int n = 0; n < 3; n++) {
    cv::Mat frame;
    EXPECT_TRUE(still.read(frame) && same(frame, solid({10, 50, 200}, {16, 8}))) << n;
  }
  EXPECT_THROW(ClipCamera(dir + "empty.avi"), ClipError);
}

// Catches an OpenCV error or an unknown exception ending the program silently or with status 0.
TEST(FailureReport, EveryKindOfFailureBecomesAMessageAndStatusOne) {
  std::ostringstream err;
  const cv::Exception opencv_error(-215, "m", "f", "x.cpp", 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(opencv_error), "camscope-demo", err), 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(42), "camscope-demo", err), 1);
  EXPECT_THAT(err.str(), StartsWith("camscope-demo: OpenCV failed: "));
  EXPECT_NE(err.str().find("\ncamscope-demo: ended by an unknown error"), std::string::npos);
}

}  // namespace
