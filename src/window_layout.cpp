// SPDX-License-Identifier: Apache-2.0
// Where the seven windows go on the screen, so that all of them can be seen at once, and when they
// are laid out again.
#include "window_layout.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

namespace {

struct Placed {
  std::vector<cv::Rect> rects;
  bool fits = true;  // all rows lie within usable
};

// The scale below which image is not shrunk: its least width, or its own size if narrower.
double least_scale(const WindowImage& image) {
  const int least = image.least_width > 0 ? image.least_width : kLeastFrameWidth;
  return std::min(1.0, double(least) / image.size.width);
}

// The windows with the frames shrunk by frame_scale and the drawings by drawing_scale (no further
// than their least width), in rows: each goes on the row so far when it still fits there, else
// starts the next.
Placed in_rows(const cv::Rect& usable, const std::vector<WindowImage>& images,
               const WindowFrame& frame, double frame_scale, double drawing_scale,
               double device_pixel_ratio) {
  Placed placed;
  int x = usable.x, y = usable.y, row_height = 0;
  for (const WindowImage& image : images) {
    const cv::Size size = image.size;
    double scale =
        std::max(image.least_width == 0 ? frame_scale : drawing_scale, least_scale(image));
    scale = std::min(scale, double(kLargestWindowSide) / std::max(size.width, size.height));
    scale /= device_pixel_ratio;
    const cv::Size content(std::max(1, static_cast<int>(std::lround(size.width * scale))),
                           std::max(1, static_cast<int>(std::lround(size.height * scale))));
    const int width = content.width + frame.left + frame.right;
    const int height = content.height + frame.top + frame.bottom;
    if (x > usable.x && x + width > usable.br().x) {
      x = usable.x;
      y += row_height;
      row_height = 0;
    }
    placed.fits = placed.fits && x + width <= usable.br().x && y + height <= usable.br().y;
    if (y > usable.y && y + height > usable.br().y) {
      y = usable.y;  // what does not fit: again from the top, over the first rows
    }
    placed.rects.emplace_back(x + frame.left, y + frame.top, content.width, content.height);
    x += width;
    row_height = std::max(row_height, height);
  }
  return placed;
}

// The largest scale from smallest to largest at which the windows fit, if any: smaller windows
// never take more rows, nor taller ones, so it lies between one that fits and one that does not.
std::optional<double> largest_fitting(double smallest, double largest,
                                      const std::function<bool(double)>& fits) {
  if (fits(largest)) {
    return largest;
  }
  if (!fits(smallest)) {
    return std::nullopt;
  }
  for (int halvings = 0; halvings < 40; halvings++) {
    const double middle = (smallest + largest) / 2;
    (fits(middle) ? smallest : largest) = middle;
  }
  return smallest;
}

}  // namespace

std::vector<cv::Rect> lay_out_windows(const cv::Rect& usable,
                                      const std::vector<WindowImage>& images,
                                      const WindowFrame& frame, double device_pixel_ratio) {
  const auto placed = [&](double frames, double drawings) {
    return in_rows(usable, images, frame, frames, drawings, device_pixel_ratio);
  };
  // All by one factor, while each stays at its least width at it.
  double legible = 0;
  for (const WindowImage& image : images) {
    legible = std::max(legible, least_scale(image));
  }
  if (const std::optional<double> common =
          largest_fitting(legible, 1.0, [&](double scale) { return placed(scale, scale).fits; })) {
    return placed(*common, *common).rects;
  }
  // The drawings at their own size, the frames sharing the rest; then the drawings give way.
  if (const std::optional<double> frames =
          largest_fitting(0, 1.0, [&](double scale) { return placed(scale, 1.0).fits; })) {
    return placed(*frames, 1.0).rects;
  }
  const std::optional<double> drawings =
      largest_fitting(0, 1.0, [&](double scale) { return placed(0, scale).fits; });
  return placed(0, drawings.value_or(0)).rects;
}

bool lay_out_again(const std::vector<cv::Size>& laid_out_for, const std::vector<cv::Size>& largest,
                   std::chrono::steady_clock::duration since_last_layout) {
  return laid_out_for != largest && since_last_layout >= kSteadyFor;
}
