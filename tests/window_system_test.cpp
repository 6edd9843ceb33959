// SPDX-License-Identifier: Apache-2.0
// Where the seven windows go on screens of several sizes and scale factors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "window_layout.hpp"

namespace {

// The seven images of camscope's windows for frames of this size: the frame, the plot, the swatch,
// the gray frame, the spectrum (of the same size for even counts), the edge and motion masks.
std::vector<WindowImage> windows_for(cv::Size frame) {
  return {{frame}, {{512, 400}, 300}, {{400, 400}, 200}, {frame}, {frame}, {frame}, {frame}};
}

// Catches windows (with their frames) that overlap or leave the usable area, leave the table's
// order (left to right in rows, top to bottom), frames not all shrunk by one factor, or by more
// than they must (a laptop's 1366 x 768 without its panel fits the demo's 640 x 480 at 0.62, the
// plot 317 wide, as before; 1080p frames fit at 0.177 beside the plot and swatch at their own
// size, in one row of four below), any window's aspect lost, windows shrunk when all fit at their
// own size (to the last pixel of a row) or enlarged on a large screen; the plot or the swatch
// shrunk with 1080p or 4K frames where the screen has room for their own size, or narrower than
// 300 and 200 pixels; and on a screen too small even for that, the drawings not shrunk first (to
// 0.71 here, still legible) or the frames shrunk below 150 pixels, to thumbnails.
TEST(WindowLayout, AllSevenWholeApartInOrderTheDrawingsLegibleAndAsLargeAsTheyFit) {
  const WindowFrame none{}, openbox{1, 20, 1, 5};
  const std::vector<WindowImage> squares(7, WindowImage{{200, 200}});  // fit 800 x 400 exactly
  const struct {
    cv::Rect usable;
    std::vector<WindowImage> images;
    WindowFrame frame;
    double lowest, highest;  // the frames' scale expected
    double drawings;         // the drawings' scale expected, to 0.01; 0: each at its least width
    bool apart = true;
  } cases[] = {{{0, 0, 800, 400}, squares, none, 1, 1, 1},
               {{0, 32, 1366, 736}, windows_for({640, 480}), openbox, 0.615, 0.62, 0.62},
               {{0, 32, 1366, 736}, windows_for({1920, 1080}), openbox, 0.175, 0.178, 1},
               {{0, 0, 1920, 1080}, windows_for({1920, 1080}), openbox, 0.275, 0.285, 1},
               {{0, 0, 1280, 720}, windows_for({3840, 2160}), openbox, 0.082, 0.083, 1},
               {{0, 0, 4096, 3072}, windows_for({640, 480}), openbox, 1, 1, 1},
               {{0, 0, 800, 480}, windows_for({1920, 1080}), openbox, 0.078, 0.079, 0.707},
               {{0, 0, 100, 60}, windows_for({640, 480}), openbox, 0.234, 0.235, 0, false}};
  for (const auto& c : cases) {
    const std::vector<cv::Rect> placed = lay_out_windows(c.usable, c.images, c.frame, 1);
    const auto outer = [&](const cv::Rect& r) {
      return cv::Rect(r.x - c.frame.left, r.y - c.frame.top, r.width + c.frame.left + c.frame.right,
                      r.height + c.frame.top + c.frame.bottom);
    };
    const double scale = double(placed[0].width) / c.images[0].size.width;
    EXPECT_GE(scale, c.lowest - 0.002) << c.usable;
    EXPECT_LE(scale, c.highest + 0.002) << c.usable;
    for (size_t i = 0; i < placed.size(); i++) {
      const double own =
          c.images[i].least_width > 0
              ? std::max(c.drawings, double(c.images[i].least_width) / c.images[i].size.width)
              : scale;
      const cv::Size size = c.images[i].size;
      EXPECT_LE(std::abs(placed[i].width - size.width * own), size.width * 0.01 + 1)
          << c.usable << " " << i;
      EXPECT_LE(std::abs(placed[i].height - size.height * own), size.height * 0.01 + 1)
          << c.usable << " " << i;
      if (!c.apart) {
        continue;
      }
      EXPECT_EQ(outer(placed[i]) & c.usable, outer(placed[i])) << c.usable << " window " << i;
      if (i > 0) {
        const cv::Rect before = placed[i - 1];
        EXPECT_TRUE((placed[i].y == before.y && placed[i].x > before.x) || placed[i].y > before.y)
            << c.usable << " window " << i;
      }
      for (size_t j = 0; j < i; j++)
        EXPECT_TRUE((outer(placed[i]) & outer(placed[j])).empty()) << c.usable << i << j;
    }
  }
  // A frame of a million by 35 pixels stays within X's limit on a window's side.
  std::vector<WindowImage> wide = windows_for({1000000, 35});
  EXPECT_LE(lay_out_windows({0, 0, 1366, 768}, wide, openbox, 1)[0].width + 2, 32767);
}

// Catches a layout in device pixels where Qt sizes windows in logical ones (at a scale factor of 2
// every window twice too large for the screen), and frames shrunk below 150 device pixels, to
// thumbnails, or the plot and the swatch below 300 and 200, or any window enlarged past its image,
// where the screen has room: at scale factors 1, 1.5 and 2 on 1920 x 1080 and 1366 x 768, with the
// demo's scene and with 1080p frames.
TEST(WindowLayout, AtAnyScaleFactorAllSevenFitWholeApartAndLegible) {
  const WindowFrame openbox{1, 20, 1, 5};
  const auto outer = [&](const cv::Rect& r) {
    return cv::Rect(r.x - 1, r.y - 20, r.width + 2, r.height + 25);
  };
  for (const cv::Size screen : {cv::Size(1920, 1080), cv::Size(1366, 768)})
    for (const double ratio : {1.0, 1.5, 2.0})
      for (const cv::Size frame : {cv::Size(640, 480), cv::Size(1920, 1080)}) {
        const cv::Rect usable(0, 0, int(screen.width / ratio), int(screen.height / ratio));
        const std::vector<WindowImage> images = windows_for(frame);
        const std::vector<cv::Rect> placed = lay_out_windows(usable, images, openbox, ratio);
        for (size_t i = 0; i < placed.size(); i++) {
          const int least = images[i].least_width > 0 ? images[i].least_width : 150;
          const double device_width = placed[i].width * ratio;
          EXPECT_GE(device_width, least - 2) << screen << " x" << ratio << " " << frame << i;
          EXPECT_LE(device_width, images[i].size.width + 2) << screen << " x" << ratio << i;
          EXPECT_EQ(outer(placed[i]) & usable, outer(placed[i])) << screen << " x" << ratio << i;
          for (size_t j = 0; j < i; j++)
            EXPECT_TRUE((outer(placed[i]) & outer(placed[j])).empty()) << screen << ratio << i;
        }
      }
}

}  // namespace
