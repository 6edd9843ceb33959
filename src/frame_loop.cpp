// SPDX-License-Identifier: Apache-2.0
// The frame loop: reads the camera, runs every analysis stage and shows the seven windows.
#include "frame_loop.hpp"

#include <cerrno>
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
#include "signals.hpp"

namespace {

// Console lines are the run's record: once one is lost, the run ends rather than go on unrecorded.
[[noreturn]] void throw_console_error(int cause) {
  throw std::runtime_error(
      "cannot write the console line: " +
      (cause != 0 ? std::generic_category().message(cause) : std::string("the stream failed")) +
      "; check where standard output goes (a full disk, a pipe whose reader has ended)");
}

}  // namespace

int run_frame_loop(cv::VideoCapture& cap, Display& display, std::ostream& out,
                   const ReadPolicy& policy) {
  // The images of the run; each iteration overwrites them completely.
  std::int64_t frame_num = 0;  // 64 bits: the count cannot overflow in any real run
  cv::Mat src, src_g, lap;
  cv::Mat histmax_img(cv::Size(400, 400), CV_8UC3, cv::Scalar(0, 0, 255));
  std::vector<cv::Mat> bgr_planes;
  cv::Mat b_hist, g_hist, r_hist;
  const int hist_w = 512;
  const int hist_h = 400;
  cv::Mat histImage(hist_h, hist_w, CV_8UC3, cv::Scalar(0, 0, 0));
  const FrameReader read_next = [&](cv::Mat& frame) { read_frame(cap, frame, policy); };

  for (;;) {
    ++frame_num;
    read_next(src);

    int bin_w = 0;
    compute_channel_histograms(src, bgr_planes, b_hist, g_hist, r_hist, hist_w, histImage, bin_w);
    const ChannelPeaks peaks =
        find_peaks_and_draw_curves(b_hist, g_hist, r_hist, bin_w, hist_h, histImage);
    errno = 0;
    report_peaks(peaks, frame_num, out, histImage, histmax_img);
    if (!out) {
      throw_console_error(errno);
    }

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

    // The whole code, unmasked: only q ends the run, not Q or a q with modifier bits.
    if (display.poll_key() == 113) {
      return 0;
    }
    if (const int signo = take_stop_signal()) {
      throw StopRequest(signo);
    }
  }
}
