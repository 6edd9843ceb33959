// SPDX-License-Identifier: Apache-2.0
// The loop through its seam (a fake camera and display): what each window shows, the histogram
// plot, peaks and console line, the quit key, and how a failing camera, a signal or an error ends
// the run.
#include "frame_loop.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <map>
#include <opencv2/imgproc.hpp>
#include <sstream>

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

// The loop's camera and display at once. Serves the frames given in turn (an empty one is a failed
// read, and so is every read after the last), keeps a copy of every image shown, and answers the
// key polls with the keys given, then -1. A failure is reported as main reports it.
struct FakeDesktop : cv::VideoCapture, Display {
  std::vector<cv::Mat> frames;
  std::vector<int> keys;
  size_t reads = 0, polls = 0;
  std::vector<std::pair<std::string, cv::Mat>> shown;
  ReadPolicy policy{"camera 0", 10, milliseconds(5000), milliseconds(0)};  // no pause in tests
  std::ostringstream out, err;

  bool read(cv::OutputArray image) override {
    const cv::Mat next = reads < frames.size() ? frames[reads] : cv::Mat();
    ++reads;
    next.copyTo(image);
    return !next.empty();
  }
  void show(const std::string& title, const cv::Mat& image) override {
    shown.emplace_back(title, image.clone());
  }
  int poll_key() override { return polls < keys.size() ? keys[polls++] : (++polls, -1); }
  int run(std::vector<cv::Mat> served, std::vector<int> answers) {
    frames = std::move(served);
    keys = std::move(answers);
    try {
      return run_frame_loop(*this, *this, out, err, policy);
    } catch (...) {
      return report_failure(std::current_exception(), err);
    }
  }
};

// Catches a window shown under the wrong title, in the wrong order or from the wrong frame, Q (81)
// taken for q, a counter that does not start at 1, anything but four reads per iteration, an
// empty read that is not retried, and peaks of black or white frames other than 0 and 255. Each
// iteration reads a frame of one colour for the first six windows, then frames of gray 10, 60, 10.
TEST(FrameLoop, EachWindowShowsItsOwnFramesUntilLowercaseQ) {
  const cv::Scalar colours[] = {{1, 2, 3}, {0, 0, 0}, {255, 255, 255}};
  std::vector<cv::Mat> frames{cv::Mat(), cv::Mat()};  // a driver that needs time to start
  for (const cv::Scalar& colour : colours) {
    for (const cv::Scalar& each :
         {colour, cv::Scalar::all(10), cv::Scalar::all(60), cv::Scalar::all(10)})
      frames.push_back(solid(each));
  }
  frames.insert(frames.begin() + 7, cv::Mat());  // a hiccup amid the motion frames
  FakeDesktop loop;
  EXPECT_EQ(loop.run(frames, {-1, 'Q', 'q'}), 0);
  EXPECT_EQ(loop.reads, frames.size());
  EXPECT_EQ(loop.polls, 3U);
  EXPECT_EQ(loop.out.str(),
            " Red = 3 Green = 2 Blue = 1 Frame_num = 1\n"
            " Red = 0 Green = 0 Blue = 0 Frame_num = 2\n"
            " Red = 255 Green = 255 Blue = 255 Frame_num = 3\n");
  ASSERT_EQ(loop.shown.size(), 21U);
  for (int n = 0; n < 3; n++) {
    cv::Mat src_g, spectrum = solid(0, {8, 6}, CV_8UC1);
    cv::cvtColor(solid(colours[n]), src_g, cv::COLOR_BGR2GRAY);
    spectrum.at<uchar>(3, 4) = n == 1 ? 0 : 255;  // a flat frame has only the zero frequency
    const std::pair<std::string, cv::Mat> expected[] = {
        {"Source image", solid(colours[n])},
        {"hist_image", cv::Mat()},  // its red marker is checked below
        {"histmax_color", solid(colours[n], {400, 400})},
        {"COLOR_BGR2GRAY", src_g},
        {"2D_FFT", spectrum},
        {"Laplacian", solid(0, {8, 6}, CV_8UC1)},
        {"diff image", solid(50, {8, 6}, CV_8UC1)}};
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
// not named at height 0; then each peak's marker over the whole height.
cv::Mat expected_plot(const std::vector<std::pair<std::map<int, int>, cv::Scalar>>& curves,
                      const std::vector<std::pair<int, cv::Scalar>>& markers) {
  cv::Mat plot(400, 512, CV_8UC3, cv::Scalar::all(0));
  for (const auto& [heights, colour] : curves) {
    std::vector<cv::Point> vertices(256);
    for (int k = 0; k < 256; k++)
      vertices[k] = {2 * k, 400 - (heights.count(k) ? heights.at(k) : 0)};
    cv::polylines(plot, vertices, false, colour, 2, cv::LINE_8);
  }
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
// keep the lowest bin), and the order of the console line and of the swatch.
TEST(Histograms, ColourFrameGivesEachChannelItsCurvePeakMarkerAndSwatch) {
  FakeDesktop loop;
  // Blue: 30 three times. Green: 60 three times, 70 twice (400 * 2 / 3 = 266.7). Red: 50 and 80.
  run_on(loop,
         {row_of({{30, 60, 50}, {30, 60, 80}, {30, 60, 0}, {0, 70, 0}, {0, 70, 0}, {0, 0, 0}})});
  const cv::Mat expected = expected_plot(
      {{{{30, 400}}, kBlue}, {{{60, 400}, {70, 267}}, kGreen}, {{{50, 400}, {80, 400}}, kRed}},
      {{30, kBlue}, {60, kGreen}, {50, kRed}});
  // Row 399 is left out: there the three flat curves, just below the plot, overlap bin by bin.
  EXPECT_TRUE(same(loop.shown.at(1).second.rowRange(0, 399), expected.rowRange(0, 399)));
  EXPECT_EQ(loop.out.str(), " Red = 50 Green = 60 Blue = 30 Frame_num = 1\n");
  EXPECT_TRUE(same(loop.shown.at(2).second, solid(cv::Scalar(30, 60, 50), {400, 400})));
}

// Catches endless retrying, or giving up at once, when the camera stops delivering frames; a
// give-up rule counted only in tries, not in time; and a gray frame reaching the colour stages, or
// being retried like a failed read.
TEST(FrameLoop, FailingCameraEndsTheRunWithStatusOneAndAMessage) {
  const struct {
    std::vector<cv::Mat> frames;
    milliseconds timeout;
    size_t reads;
    std::string message;
  } cases[] = {
      {std::vector<cv::Mat>(5, solid(5)), milliseconds(5000), 5 + 10,
       "camscope: camera 0 stopped delivering frames (10 reads in a row gave none)"},
      {{}, milliseconds(0), 1, "camscope: camera 0 stopped delivering frames (none for 0 ms)"},
      {{solid(3, {4, 4}, CV_8UC1)},
       milliseconds(5000),
       1,
       "camscope: camera 0 delivers frames of type CV_8UC1"}};
  for (const auto& c : cases) {
    FakeDesktop loop;
    loop.policy.timeout = c.timeout;
    EXPECT_EQ(loop.run(c.frames, {}), 1) << c.message;
    EXPECT_EQ(loop.reads, c.reads) << c.message;
    EXPECT_THAT(loop.err.str(), StartsWith(c.message));
  }
}

// Catches a stop signal that kills the program silently instead of ending the loop with a message,
// and a fatal signal (Qt's abort, say) that ends it without a word.
TEST(Signals, StopEndsTheRunAfterItsIterationAndAFatalOneLeavesAMessage) {
  install_signal_handling();
  (void)raise(SIGTERM);
  FakeDesktop loop;
  EXPECT_EQ(loop.run(std::vector<cv::Mat>(8, solid(1)), {}), 128 + SIGTERM);
  EXPECT_EQ(loop.polls, 1U);
  EXPECT_EQ(loop.err.str(), "camscope: stopped by SIGTERM\n");
  EXPECT_EXIT((void)raise(SIGABRT), ::testing::KilledBySignal(SIGABRT),
              "^camscope: ended by SIGABRT; please report this as a bug");
}

// Catches an OpenCV error or an unknown exception ending the program silently or with status 0.
TEST(FailureReport, EveryKindOfFailureBecomesAMessageAndStatusOne) {
  std::ostringstream err;
  const cv::Exception opencv_error(-215, "m", "f", "x.cpp", 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(opencv_error), err), 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(42), err), 1);
  EXPECT_THAT(err.str(), StartsWith("camscope: OpenCV failed: "));
  EXPECT_NE(err.str().find("\ncamscope: ended by an unknown error"), std::string::npos);
}

}  // namespace
