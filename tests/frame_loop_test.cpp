// SPDX-License-Identifier: Apache-2.0
// The loop through its seams, a fake camera and display: what each window shows, the histogram
// plot, peaks and console line, the quit key, frames of any form and size, a camera that fails,
// and the pace of a paced source.
#include "frame_loop.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include "fake_desktop.hpp"
#include "frame_format.hpp"

namespace {

using std::chrono::milliseconds;

const cv::Scalar kBlue(255, 0, 0), kGreen(0, 255, 0), kRed(0, 0, 255);

// The console line for peaks in blue, green, red order, as the stages must print it.
std::string console_line(const cv::Scalar& peaks, int frame_num) {
  const auto text = [&](int c) { return std::to_string(static_cast<int>(peaks[c])); };
  return " Red = " + text(2) + " Green = " + text(1) + " Blue = " + text(0) +
         " Frame_num = " + std::to_string(frame_num) + "\n";
}

// Gray by the published weights, 0.299 R + 0.587 G + 0.114 B, for colours far from a rounding tie.
uchar luma(const cv::Scalar& bgr) {
  return cv::saturate_cast<uchar>(0.114 * bgr[0] + 0.587 * bgr[1] + 0.299 * bgr[2]);
}

// Catches a window shown under the wrong title, in the wrong order or from the wrong frame, any
// key but the code 113 ending the run (Q, or another letter), a
// counter that does not start at 1, console items out of order or not flushed line by line,
// anything but four reads per iteration, an empty read that is not retried, channels swapped in
// either gray conversion (each colour's gray differs from its mirror's: 55 against 90), and peaks
// of black or white frames other than 0 and 255, and a marker short of the plot's top or bottom.
// The motion frames go 55, 90, 55 in gray (and any one swapped conversion makes a difference 0):
// "diff image" is 35 & 35.
TEST(FrameLoop, EachWindowShowsItsOwnFramesUntilTheWholeCodeOfQ) {
  const cv::Scalar warm(10, 50, 200), cool(200, 50, 10);
  const cv::Scalar colours[] = {cool, {0, 0, 0}, {255, 255, 255}, warm, cool};
  const int keys[] = {-1, 'Q', 'w', 'Q', 'q'};
  std::vector<cv::Mat> frames{cv::Mat(), cv::Mat()};  // a driver that needs time to start
  for (const cv::Scalar& colour : colours) {
    for (const cv::Scalar& each : {colour, cool, warm, cool})
      frames.push_back(solid(each));
  }
  frames.insert(frames.begin() + 7, cv::Mat());  // a hiccup amid the motion frames
  FakeDesktop loop;
  EXPECT_EQ(loop.run(frames, std::vector<int>(std::begin(keys), std::end(keys))), 0);
  EXPECT_EQ(loop.reads, frames.size());
  EXPECT_EQ(loop.polls, 5U);
  std::vector<std::string> flushed(5);  // the text so far, after each line
  for (int n = 0; n < 5; n++)
    flushed[n] = (n ? flushed[n - 1] : "") + console_line(colours[n], n + 1);
  EXPECT_EQ(loop.console.at_flush, flushed);
  ASSERT_EQ(loop.shown.size(), 35U);
  for (int n = 0; n < 5; n++) {
    cv::Mat spectrum = solid(0, {8, 6}, CV_8UC1);
    spectrum.at<uchar>(3, 4) = n == 1 ? 0 : 255;  // a flat frame has only the zero frequency
    const std::pair<std::string, cv::Mat> expected[] = {
        {"Source image", solid(colours[n])},
        {"hist_image", cv::Mat()},  // its red marker, drawn last, is checked below
        {"histmax_color", solid(colours[n], {400, 400})},
        {"COLOR_BGR2GRAY", solid(luma(colours[n]), {8, 6}, CV_8UC1)},
        {"2D_FFT", spectrum},
        {"Laplacian", solid(0, {8, 6}, CV_8UC1)},
        {"diff image", solid(35, {8, 6}, CV_8UC1)}};
    for (int w = 0; w < 7; w++) {
      const auto& [title, image] = loop.shown[7 * n + w];
      EXPECT_EQ(title, expected[w].first) << n;
      EXPECT_TRUE(expected[w].second.empty() || same(image, expected[w].second))
          << title << " in iteration " << n;
    }
    const int red_peak = static_cast<int>(colours[n][2]);
    EXPECT_TRUE(same(loop.shown[7 * n + 1].second.col(2 * red_peak), solid(kRed, {1, 400}))) << n;
  }
}

// Catches swapped channels or colours, bin 0 kept in the scale, rounding of the scaled bins, `>=`
// in the peak search (ties keep the lowest bin: red 50, not 80), counts left from the frame before,
// thin or blended curves, curves drawn in another order (red's spike at 80 over green's bump
// there), and markers off their column or drawn under the curves: the blue marker crosses a green
// plateau (bins 29 to 31) that stands clear.
TEST(Histograms, ColourFrameGivesEachChannelItsCurvePeakMarkerAndSwatch) {
  // After a frame with other peaks: blue 30 three times; green 60 three times, 70 twice
  // (400 * 2 / 3 = 266.7), 29, 30, 31 and 80 once (133.3); red 50 and 80; black once.
  const std::vector<cv::Vec3b> pixels{{30, 60, 50}, {30, 60, 80}, {30, 60, 0}, {0, 70, 0},
                                      {0, 70, 0},   {0, 29, 0},   {0, 30, 0},  {0, 31, 0},
                                      {0, 80, 0},   {0, 0, 0}};
  FakeDesktop loop;  // each frame four times: one iteration each
  std::vector<cv::Mat> frames(4, cv::Mat(cv::Size(2, 1), CV_8UC3, cv::Scalar(9, 99, 199)));
  frames[0].at<cv::Vec3b>(0, 1) = {40, 50, 60};  // the frames share it
  frames.insert(frames.end(), 4, cv::Mat(pixels, true).reshape(3, 1));
  ASSERT_EQ(loop.run(frames, {-1, 'q'}), 0);
  EXPECT_EQ(loop.console.at_flush.at(1),
            console_line({9, 50, 60}, 1) + console_line({30, 60, 50}, 2));
  const cv::Mat plot = loop.shown.at(8).second;
  const auto at = [&](int row, int column) { return cv::Scalar(plot.at<cv::Vec3b>(row, column)); };
  EXPECT_EQ(at(10, 60), kBlue);  // each marker in its channel's colour, at twice its bin
  EXPECT_EQ(at(10, 120), kGreen);
  EXPECT_EQ(at(10, 100), kRed);
  EXPECT_EQ(at(267, 59), kBlue);    // over the green plateau at 400 - 133, two pixels wide
  EXPECT_EQ(at(267, 61), kBlue);    // on either side of its column
  EXPECT_EQ(at(350, 57), kBlue);    // blue's own spike beside it
  EXPECT_EQ(at(0, 160), kRed);      // red's spike at 80 as high as its peak: bin 0 left out
  EXPECT_EQ(at(270, 161), kRed);    // and over green's bump there, drawn after it
  EXPECT_EQ(at(132, 140), kGreen);  // green's 70 at 267 rows, rounded up, two pixels thick
  EXPECT_EQ(at(200, 138), kGreen);  // on its flank from 69, whose end at 70 is rounded too
  EXPECT_EQ(cv::norm(plot(cv::Rect(0, 0, 2, 399))), 0);  // no curve from bin 0, none above row 399
  EXPECT_EQ(cv::countNonZero((plot.reshape(1) > 0) & (plot.reshape(1) < 255)), 0);  // unblended
}

// Catches endless retrying, or giving up at once, when the camera stops delivering frames; failed
// reads not paced (a camera that needs 0.65 s to start must get through); a give-up rule counted
// only in tries, not in time, or other than camscope's (10 tries, 100 ms apart, 5 s at most); and a
// frame of no colour form (two channels) reaching the stages, or retried like a failed read.
TEST(FrameLoop, CameraReadsArePacedAndAFailingCameraEndsTheRunWithAMessage) {
  const std::string stopped = "camscope: camera 0 stopped delivering frames ";
  const struct {
    std::vector<cv::Mat> frames;
    milliseconds timeout, ready_after;  // timeout -1: camscope's own
    int status, reads;                  // reads -1: not counted, where it depends on timing
    std::string message;
  } cases[] = {
      {{5, solid(5)}, milliseconds(-1), {}, 1, 5 + 10, stopped + "(10 reads in a row gave none)"},
      {{}, milliseconds(0), {}, 1, 0, stopped + "(none for 0.0 s)"},
      {{solid(3, {4, 4}, CV_8UC2)},
       milliseconds(-1),
       {},
       1,
       1,
       "camscope: camera 0 delivers frames of type"},
      {{4, solid(5)}, milliseconds(-1), milliseconds(650), 0, -1, ""}};
  for (const auto& c : cases) {
    FakeDesktop loop;
    loop.policy = ReadPolicy{};
    loop.policy.timeout = c.timeout.count() < 0 ? loop.policy.timeout : c.timeout;
    loop.ready_at = std::chrono::steady_clock::now() + c.ready_after;
    // The loop's own give-up rules are under test: while this guard holds the watchdog, the reads'
    // guards stand aside, so a limit of 0 is no race with the watchdog's thread.
    const WaitGuard outer(loop.watchdog, milliseconds(20000), "the test hung for ", "");
    EXPECT_EQ(loop.run(c.frames, {c.status == 0 ? 'q' : -1}), c.status) << c.message;
    EXPECT_TRUE(c.reads < 0 || loop.reads == size_t(c.reads)) << c.message << ": " << loop.reads;
    EXPECT_THAT(loop.err.str(), ::testing::StartsWith(c.message));
  }
}

// Catches a frame that is not 8-bit colour reaching the stages (an OpenCV error) or converted
// wrongly: 16 bits not divided by 256 rounding down (256 c + 200 is c + 0.78: c), floating point
// 0..1 not stretched to 0..255, gray or alpha frames refused; a frame size that changes within an
// iteration ending the run, where the motion window goes black instead; and a frame larger than
// camscope analyses (35,389,440 pixels: 8192 x 4320) reaching them,
// where the run ends with its size and the limit, or one of that size refused.
TEST(FrameLoop, FramesOfAnyFormAndSizeReachTheStagesAsColour) {
  const cv::Scalar colour(45, 102, 187);  // blue, green, red
  FakeDesktop loop;
  const std::vector<cv::Mat> frames{solid(colour * 256 + cv::Scalar::all(200), {8, 6}, CV_16UC3),
                                    solid(colour, {3, 2}),
                                    solid(colour / 255.0, {8, 6}, CV_32FC3),
                                    solid(colour),
                                    solid(cv::Scalar(102), {5, 4}, CV_8UC1),
                                    solid(colour, {5, 4}),
                                    solid(colour + cv::Scalar(0, 0, 0, 9), {5, 4}, CV_8UC4),
                                    solid(colour, {5, 4}),
                                    solid(colour, {8193, 4321})};
  EXPECT_EQ(loop.run(frames, {-1, -1}), 1);
  EXPECT_EQ(loop.console.str(), console_line(colour, 1) + console_line(cv::Scalar::all(102), 2));
  ASSERT_EQ(loop.shown.size(), 14U);
  EXPECT_TRUE(same(loop.shown[0].second, solid(colour)));
  EXPECT_TRUE(same(loop.shown[6].second, solid(0, {8, 6}, CV_8UC1)));   // three sizes: no motion
  EXPECT_TRUE(same(loop.shown[13].second, solid(0, {5, 4}, CV_8UC1)));  // three colours the same
  EXPECT_EQ(loop.err.str(),
            "camscope: camera 0 delivers frames of 8193 x 4321 pixels (35.4 million), more than "
            "the 35.4 million (8192 x 4320) that camscope analyses; choose a smaller capture "
            "format\n");
  EXPECT_EQ(frame_size_problem({8192, 4320}), "");
  EXPECT_NE(frame_size_problem({8192, 4321}), "");
}

// Catches a paced source whose wait for its next frame leaves the windows unserviced (no poll, or
// polls far apart) or loses a q pressed meanwhile, ending the run only after the iteration (a
// second frame, a second away).
TEST(FrameLoop, APacedSourceServicesTheWindowsAndTakesQBetweenFrames) {
  FakeDesktop loop;
  loop.policy.frame_interval = std::chrono::seconds(1);
  const auto started = std::chrono::steady_clock::now();
  loop.q_at = started + milliseconds(300);
  EXPECT_EQ(loop.run({solid(1), solid(2), solid(3)}, {}), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(900));  // not at the frame
  EXPECT_EQ(loop.reads, 1U);
  EXPECT_GE(loop.waits, 6U);
  EXPECT_EQ(loop.shown.size(), 6U);
}

}  // namespace
