// SPDX-License-Identifier: Apache-2.0
// The frame loop: reads the camera, runs every analysis stage and shows the seven windows.
#include "frame_loop.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <opencv2/imgproc.hpp>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "analysis/channel_histograms.hpp"
#include "analysis/edge_mask.hpp"
#include "analysis/motion_mask.hpp"
#include "analysis/peak_report.hpp"
#include "analysis/spectrum.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

namespace {

// The key that ends the run: q, not Q (cv::waitKey gives a key's low byte).
constexpr int kQuitKey = 113;

// q pressed while the loop waited for a paced frame: the run ends at once, not after the iteration,
// which may take minutes at a slow clip's pace.
struct QuitRequest {};

// Waits until the paced frame is due, servicing the windows meanwhile so that they repaint and take
// q.
void wait_servicing_windows(std::chrono::steady_clock::time_point due, Display& display) {
  for (auto now = std::chrono::steady_clock::now(); now < due;
       now = std::chrono::steady_clock::now()) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - now);
    if (display.poll_key(std::min(left, kServiceInterval)) == kQuitKey) {
      throw QuitRequest{};
    }
  }
}

// Console lines are the run's record: once one is lost, the run ends rather than go on unrecorded.
[[noreturn]] void throw_console_error(int cause) {
  throw std::runtime_error(
      "cannot write the console line: " +
      (cause != 0 ? std::generic_category().message(cause) : std::string("the stream failed")) +
      "; check where standard output goes (a full disk, a pipe whose reader has ended)");
}

}  // namespace

ChannelPeaks find_peaks_and_draw_curves(const cv::Mat& b_hist, const cv::Mat& g_hist,
                                        const cv::Mat& r_hist, int bin_w, cv::Mat& histImage) {
  // One pass over bins 1 to 255 serves both histogram stages: each bin's peak update, then its
  // three curve segments.
  ChannelPeaks peaks = start_peak_search(b_hist, g_hist, r_hist);
  for (int i = 1; i < histSize; i++) {
    update_peaks(peaks, i, b_hist, g_hist, r_hist);
    draw_bin_segments(i, bin_w, b_hist, g_hist, r_hist, histImage);
  }
  return peaks;
}

int run_frame_loop(cv::VideoCapture& cap, Display& display, std::ostream& out,
                   const ReadPolicy& policy, Watchdog& watchdog) {
  // The images of the run; each iteration overwrites them completely.
  std::int64_t frame_num = 0;  // 64 bits: the count cannot overflow in any real run
  cv::Mat src, src_g, lap;
  cv::Mat histmax_img(cv::Size(400, 400), CV_8UC3);
  std::vector<cv::Mat> bgr_planes;
  cv::Mat b_hist, g_hist, r_hist;
  cv::Mat histImage(hist_h, hist_w, CV_8UC3, cv::Scalar(0, 0, 0));
  // A paced source's frames are due one interval apart, the first at once; a reader that falls
  // behind is served at once and the next frame an interval after that: no burst of frames to
  // catch up, as a camera drops the frames nobody read.
  std::chrono::steady_clock::time_point due{};
  const FrameReader read_next = [&](cv::Mat& frame) {
    if (policy.frame_interval.count() > 0) {
      due = std::max(due, std::chrono::steady_clock::now());
      wait_servicing_windows(due, display);
      due += policy.frame_interval;
    }
    read_frame(cap, frame, policy, watchdog);
  };

  try {
    for (;;) {
      ++frame_num;
      read_next(src);

      int bin_w = 0;
      compute_channel_histograms(src, bgr_planes, b_hist, g_hist, r_hist, histImage, bin_w);
      const ChannelPeaks peaks =
          find_peaks_and_draw_curves(b_hist, g_hist, r_hist, bin_w, histImage);
      errno = 0;  // the write's own cause, if it fails
      write_console_line(out, peaks, frame_num);
      if (!out) {
        throw_console_error(errno);
      }
      mark_peaks(peaks, bin_w, histImage, histmax_img);

      cv::cvtColor(src, src_g, cv::COLOR_BGR2GRAY, 0);
      cv::Mat mag;
      log_magnitude_spectrum(src_g, mag);
      laplacian_edge_mask(src_g, lap);

      // The first six windows all show the frame read at the top of this iteration.
      display.show("Source image", src);
      display.show("hist_image", histImage);
      display.show("histmax_color", histmax_img);
      display.show("COLOR_BGR2GRAY", src_g);
      display.show("2D_FFT", mag);
      display.show("Laplacian", lap);

      // The motion image comes from the three frames that follow it.
      cv::Mat diff;
      three_frame_motion_mask(read_next, diff);
      display.show("diff image", diff);

      // One millisecond: the loop is paced by the camera, not by the key poll.
      if (display.poll_key(std::chrono::milliseconds(1)) == kQuitKey) {
        return 0;
      }
    }
  } catch (const QuitRequest&) {
    return 0;
  }
}

int report_failure(const std::exception_ptr& failure, const char* program, std::ostream& err) {
  try {
    std::rethrow_exception(failure);
  } catch (const cv::Exception& e) {
    err << program << ": OpenCV failed: " << e.what() << "\n";
  } catch (const std::exception& e) {
    err << program << ": " << e.what() << "\n";
  } catch (...) {
    err << program << ": ended by an unknown error; please report this as a bug\n";
  }
  return 1;
}
