// SPDX-License-Identifier: Apache-2.0
// The loop through its seams (a fake camera and display, and the opening of cameras): which camera
// is read, what each window shows, the histogram plot, peaks and console line, the quit key, how
// a failing or hanging camera, a signal or an error ends the run; and the demo's sources.
#include "frame_loop.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <opencv2/core/utils/logger.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <sstream>
#include <thread>

#include "analysis/motion_mask.hpp"
#include "camera_choice.hpp"
#include "demo/clip_camera.hpp"
#include "demo/demo_source.hpp"
#include "failure_report.hpp"
#include "signals.hpp"

namespace {

using std::chrono::milliseconds;
using ::testing::StartsWith;

cv::Mat solid(const cv::Scalar& colour, cv::Size size = {8, 6}, int type = CV_8UC3) {
  return cv::Mat(size, type, colour);
}

const cv::Scalar kBlue(255, 0, 0), kGreen(0, 255, 0), kRed(0, 0, 255);

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

// The loop's camera and display at once. Serves the frames given in turn (an empty one is a failed
// read, and so is every read after the last, or before ready_at; the first read sends hang_signal,
// if any, then stops the process for stopped_for, then hangs for hang_for), keeps a copy of every
// image shown, and answers the key polls with the keys given, then -1. A failure or stop is
// reported as main reports it.
struct FakeDesktop : cv::VideoCapture, Display {
  std::vector<cv::Mat> frames;
  std::vector<int> keys;
  size_t reads = 0, served = 0, polls = 0;
  bool opens = true;
  int hang_signal = 0;
  milliseconds hang_for{0}, stopped_for{0};
  std::chrono::steady_clock::time_point ready_at{};
  std::vector<std::pair<std::string, cv::Mat>> shown;
  ReadPolicy policy{"camera 0", 10, milliseconds(5000), milliseconds(0)};  // no pause by default
  FlushRecorder console;
  std::ostream out{&console};
  std::ostringstream err;

  bool isOpened() const override { return opens; }
  bool read(cv::OutputArray image) override {
    if (reads++ == 0) {
      (void)(hang_signal != 0 && raise(hang_signal));
      if (stopped_for.count() > 0)
        stop_process_for(stopped_for);
      std::this_thread::sleep_for(hang_for);
    }
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
// key but the whole code 113 ending the run (Q, or a q with modifier bits above the low byte), a
// counter that does not start at 1, console items out of order or not flushed line by line,
// anything but four reads per iteration, an empty read that is not retried, channels swapped in
// either gray conversion (each colour's gray differs from its mirror's: 55 against 90), and peaks
// of black or white frames other than 0 and 255, and a marker short of the plot's top or bottom.
// The motion frames go 55, 90, 55 in gray (and any one swapped conversion makes a difference 0):
// "diff image" is 35 & 35.
TEST(FrameLoop, EachWindowShowsItsOwnFramesUntilTheWholeCodeOfQ) {
  const cv::Scalar warm(10, 50, 200), cool(200, 50, 10);
  const cv::Scalar colours[] = {cool, {0, 0, 0}, {255, 255, 255}, warm, cool};
  const int keys[] = {-1, 'Q', 'q' + 0x100, 'q' + 0x10000, 'q'};
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

cv::Mat row_of(const std::vector<cv::Vec3b>& pixels) {
  return cv::Mat(pixels, true).reshape(3, 1);
}

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

// Catches swapped channels or colours, bin 0 kept in the scale, rounding of the scaled bins, `>=`
// in the peak search (ties keep the lowest bin), counts or curves left from the frame before, thin
// curves, curves drawn in another order (red's spike at 80 over green's bump there), and markers
// off their column or drawn under the curves: the blue marker crosses a green plateau (bins 29 to
// 31) that stands clear.
TEST(Histograms, ColourFrameGivesEachChannelItsCurvePeakMarkerAndSwatch) {
  // After a frame with other peaks: blue 30 three times; green 60 three times, 70 twice
  // (400 * 2 / 3 = 266.7), 29, 30, 31 and 80 once (133.3); red 50 and 80; black once.
  const std::vector<cv::Vec3b> pixels{{30, 60, 50}, {30, 60, 80}, {30, 60, 0}, {0, 70, 0},
                                      {0, 70, 0},   {0, 29, 0},   {0, 30, 0},  {0, 31, 0},
                                      {0, 80, 0},   {0, 0, 0}};
  FakeDesktop loop;  // each frame four times: one iteration each
  std::vector<cv::Mat> frames(4, row_of({{9, 99, 199}, {40, 50, 60}}));
  frames.insert(frames.end(), 4, row_of(pixels));
  ASSERT_EQ(loop.run(frames, {-1, 'q'}), 0);
  const cv::Mat expected =
      expected_plot({{{{30, 400}}, kBlue},
                     {{{29, 133}, {30, 133}, {31, 133}, {60, 400}, {70, 267}, {80, 133}}, kGreen},
                     {{{50, 400}, {80, 400}}, kRed}},
                    {{30, kBlue}, {60, kGreen}, {50, kRed}});
  // Row 399 is left out: there the three flat curves, just below the plot, overlap bin by bin.
  EXPECT_TRUE(same(loop.shown.at(8).second.rowRange(0, 399), expected.rowRange(0, 399)));
}

// Catches endless retrying, or giving up at once, when the camera stops delivering frames; failed
// reads not paced (a camera that needs 0.65 s to start must get through); a give-up rule counted
// only in tries, not in time, or other than camscope's (10 tries, 100 ms apart, 5 s at most); and
// a gray frame reaching the colour stages, or being retried like a failed read.
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
      {{solid(3, {4, 4}, CV_8UC1)}, milliseconds(-1), {}, 1, 1, "camscope: camera 0 delivers"},
      {{4, solid(5)}, milliseconds(-1), milliseconds(650), 0, -1, ""}};
  for (const auto& c : cases) {
    FakeDesktop loop;
    loop.policy = ReadPolicy{};
    loop.policy.timeout = c.timeout.count() < 0 ? loop.policy.timeout : c.timeout;
    loop.ready_at = std::chrono::steady_clock::now() + c.ready_after;
    EXPECT_EQ(loop.run(c.frames, {c.status == 0 ? 'q' : -1}), c.status) << c.message;
    EXPECT_TRUE(c.reads < 0 || loop.reads == size_t(c.reads)) << c.message << ": " << loop.reads;
    EXPECT_THAT(loop.err.str(), StartsWith(c.message));
  }
}

// Catches a stop signal (SIGINT, SIGHUP) that kills the program silently, or ends it
// before its iteration is done, instead of ending the loop with a message and 128 + N; one that
// waits for a blocked read instead of ending the run within its grace of 2 s (the read's own limit,
// 5 s, would end it with status 1), or that does not wait 1 s for an iteration to end; a read that
// blocks for ever holding up the run, a message that does not say how long was waited, or cuts a
// long camera name (a file the demo plays, say); a deadline left armed after a read that came in
// time, which would end a healthy run; and time spent stopped (Ctrl+Z, then fg a second later)
// counted against the read limit of 0.5 s, by the timer of the read it interrupted (which goes on
// for 0.25 s after) or by the tries after it; and any of these taking 3 s to end. Each camera's
// first read gives nothing.
TEST(Deadline, AStopEndsTheRunAfterItsIterationOrItsGraceAndABlockedReadAtItsLimit) {
  install_signal_handling("camscope");
  const std::string long_name(300, 'v');
  const auto ended = [](int windows) {
    return "the run ended after " + std::to_string(windows) + " windows\n$";
  };
  const struct {
    milliseconds hang_for, timeout;
    std::string message;
    int signal, status;
    milliseconds stopped_for{0};
  } cases[] = {{milliseconds(10000), milliseconds(300),
                "^camscope: " + long_name +
                    " stopped delivering frames \\(none for 0\\.[3-9] s\\); check that it is "
                    "connected and not in use by another program\n$",
                0, 1},
               {milliseconds(10000), milliseconds(5000), "^camscope: stopped by SIGINT\n$", SIGINT,
                128 + SIGINT},
               {milliseconds(1000), milliseconds(5000), "^camscope: stopped by SIGINT\n" + ended(7),
                SIGINT, 128 + SIGINT},
               {{}, milliseconds(5000), "^camscope: stopped by SIGHUP\n" + ended(7), SIGHUP, 129},
               {{}, milliseconds(100), "^" + ended(14), 0, 0},
               {milliseconds(250), milliseconds(500), "^" + ended(14), 0, 0, milliseconds(1000)}};
  for (const auto& c : cases) {
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EXIT(
        {
          FakeDesktop camera;
          camera.hang_for = c.hang_for;
          camera.hang_signal = c.signal;
          camera.stopped_for = c.stopped_for;
          camera.policy.timeout = c.timeout;
          camera.policy.camera_name = long_name;
          std::vector<cv::Mat> frames(9, solid(1));
          frames[0] = cv::Mat();
          const int status = camera.run(frames, {-1, 'q'});
          std::cerr << camera.err.str() << "the run ended after " << camera.shown.size()
                    << " windows\n";
          std::this_thread::sleep_for(milliseconds(400));  // for a deadline left armed
          std::exit(status);  // NOLINT(concurrency-mt-unsafe): the death test's own process
        },
        ::testing::ExitedWithCode(c.status), c.message);
    EXPECT_LT(std::chrono::steady_clock::now() - started, milliseconds(3000)) << c.message;
  }
}

// Writes a JPEG of image whose EXIF orientation says: turn it 90 degrees clockwise to view it.
void write_turned_jpeg(const std::string& path, const cv::Mat& image) {
  std::vector<uchar> jpeg;
  cv::imencode(".jpg", image, jpeg);
  // After the start marker, an APP1 segment: "Exif", a little-endian TIFF header, and one entry:
  // tag 0x112 (orientation), type SHORT, count 1, value 6.
  const uchar exif[] = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1,
                        0,    0x12, 1, 3,  0,   1,   0,   0,   0, 6, 0,   0,   0,  0, 0, 0, 0};
  jpeg.insert(jpeg.begin() + 2, std::begin(exif), std::end(exif));
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
}

// Catches a demo scene that stands still (its motion window dark), or that comes faster or slower
// than 30 frames a second (9 frames in 0.27 s); a picture shown sideways (its EXIF orientation
// ignored) or served other than 30 times a second; a clip not played from its first frame, not
// started again after its end, or played faster or slower than its own rate (25 a second: 12 frames
// take 0.44 s); a time-lapse's rate below 1 taken as unknown, or its wait for the next frame
// counted against the read limit; and a clip with no frame reaching the loop instead of a clear
// refusal. (Pictures in 16 bits are tested on the real demo, in programs.sh.) The clip's codec is
// lossless.
TEST(Demo, TheSceneMovesAndPicturesComeUprightAndClipsAtTheirOwnRate) {
  const DemoSource scene = open_demo_source("");
  const auto started = std::chrono::steady_clock::now();
  cv::Mat diff;
  for (int n = 0; n < 3; n++)
    three_frame_motion_mask([&](cv::Mat& frame) { read_frame(*scene.camera, frame, scene.policy); },
                            diff);
  const auto taken = std::chrono::steady_clock::now() - started;
  EXPECT_GE(taken, milliseconds(8 * 33));
  EXPECT_LT(taken, milliseconds(12 * 33));
  EXPECT_GT(cv::countNonZero(diff > 64), 50);  // far above the noise's
  const std::string dir = ::testing::TempDir();
  write_turned_jpeg(dir + "turned.jpg", solid(cv::Scalar(10, 50, 200), {6, 2}));
  ClipCamera picture(dir + "turned.jpg");
  EXPECT_EQ(picture.frame_interval(), std::chrono::nanoseconds(33333333));
  cv::Mat upright;
  EXPECT_TRUE(picture.read(upright) && picture.read(upright) && upright.size() == cv::Size(2, 6));
  const int ffv1 = cv::VideoWriter::fourcc('F', 'F', 'V', '1');
  const cv::Scalar colours[] = {{10, 50, 200}, {90, 130, 140}, {170, 210, 80}};
  {
    cv::VideoWriter writer(dir + "clip.avi", ffv1, 25, {16, 8});
    for (const cv::Scalar& colour : colours)
      writer << solid(colour, {16, 8});
    cv::VideoWriter(dir + "slow.avi", ffv1, 0.1, {16, 8}) << solid(9, {16, 8});
    cv::VideoWriter empty(dir + "empty.avi", ffv1, 25, {16, 8});
  }
  const DemoSource slow = open_demo_source(dir + "slow.avi");
  EXPECT_EQ(slow.policy.timeout, milliseconds(5000 + 10000));
  EXPECT_THROW(ClipCamera(dir + "empty.avi"), SourceError);
  ClipCamera clip(dir + "clip.avi");
  FakeDesktop windows;
  windows.keys = {-1, -1, 'q'};
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run_frame_loop(clip, windows, windows.out, windows.policy), 0);
  const auto played = std::chrono::steady_clock::now() - start;
  EXPECT_GE(played, milliseconds(11 * 40));
  EXPECT_LT(played, milliseconds(16 * 40));
  // Iteration n begins with frame 4n of the endless clip, that is frame n of the file.
  EXPECT_EQ(windows.console.str(), console_line(colours[0], 1) + console_line(colours[1], 2) +
                                       console_line(colours[2], 3));
}

// Catches camera 1 tried, or the run going on, without camera 0; camera 1 not preferred, or not
// read; messages naming the wrong camera; OpenCV's log left on while a camera opens, or left silent
// afterwards, or silenced against OPENCV_LOG_LEVEL; and a camera whose opening never returns
// (GStreamer waiting for a first frame) holding up the start for ever, or given up without its name
// or how long was waited.
TEST(StartUp, KeepsCameraOneWhenItOpensAndCameraZeroMustOpen) {
  install_signal_handling("camscope");
  for (const int hung : {0, 1}) {
    const auto open = [&](int index) {
      std::this_thread::sleep_for(std::chrono::seconds(index == hung ? 10 : 0));
      return std::make_shared<FakeDesktop>();
    };
    EXPECT_EXIT(choose_camera(open, milliseconds(300)), ::testing::ExitedWithCode(1),
                "^camscope: camera " + std::to_string(hung) +
                    " sends no frame \\(none in 0\\.[3-9] s\\); check that it is connected, "
                    "receives a picture and is not in use by another program" +
                    (hung == 1 ? ", or disconnect it to use camera 0" : "") + "\n$");
  }
  using cv::utils::logging::getLogLevel;
  const auto info = cv::utils::logging::LOG_LEVEL_INFO;
  const auto before = cv::utils::logging::setLogLevel(info);
  const struct {
    std::vector<int> tried;
    int kept;  // -1: none, the program ends with -1
    bool camera0, camera1, user_level;
  } cases[] = {{{0}, -1, false, true, false},
               {{0, 1}, 0, true, false, false},
               {{0, 1}, 1, true, true, false},
               {{0, 1}, 1, true, true, true}};
  for (const auto& c : cases) {
    (void)(c.user_level ? setenv("OPENCV_LOG_LEVEL", "INFO", 1) : 0);  // NOLINT
    std::shared_ptr<FakeDesktop> cameras[] = {std::make_shared<FakeDesktop>(),
                                              std::make_shared<FakeDesktop>()};
    cameras[0]->opens = c.camera0;
    cameras[1]->opens = c.camera1;
    std::vector<int> tried;
    const auto open = [&](int index) -> std::shared_ptr<cv::VideoCapture> {
      tried.push_back(index);
      EXPECT_EQ(getLogLevel(), c.user_level ? info : cv::utils::logging::LOG_LEVEL_SILENT);
      return cameras[index];
    };
    const std::optional<ChosenCamera> chosen = choose_camera(open, milliseconds(5000));
    (void)unsetenv("OPENCV_LOG_LEVEL");  // NOLINT(concurrency-mt-unsafe)
    EXPECT_EQ(getLogLevel(), info);
    EXPECT_EQ(tried, c.tried);
    ASSERT_EQ(chosen.has_value(), c.kept >= 0);
    if (chosen) {
      EXPECT_EQ(chosen->name, "camera " + std::to_string(c.kept));
      EXPECT_EQ(chosen->cap, cameras[c.kept]);
    }
  }
  cv::utils::logging::setLogLevel(before);
}

// Catches an OpenCV error or an unknown exception ending the program silently or with status 0,
// and a fatal signal (Qt's abort, say) that ends it without a word, or under another program's
// name.
TEST(FailureReport, EveryKindOfFailureBecomesAMessage) {
  install_signal_handling("camscope-demo");
  EXPECT_EXIT((void)raise(SIGABRT), ::testing::KilledBySignal(SIGABRT),
              "^camscope-demo: ended by SIGABRT; please report this as a bug");
  std::ostringstream err;
  const cv::Exception error(-215, "m", "f", "x.cpp", 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(error), "camscope-demo", err), 1);
  EXPECT_EQ(report_failure(std::make_exception_ptr(42), "camscope-demo", err), 1);
  EXPECT_THAT(err.str(), StartsWith("camscope-demo: OpenCV failed: "));
  EXPECT_NE(err.str().find("\ncamscope-demo: ended by an unknown error"), std::string::npos);
}

}  // namespace
