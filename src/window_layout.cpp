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

// The windows with the frames shrunk by frame_scale and the drawings by drawing_scale (no further
// than their least width), in rows: each goes on the row so far when it still fits there, else
// starts the next.
Placed in_rows(const cv::Rect& usable, const std::vector<WindowImage>& images,
               const WindowFrame& frame, double frame_scale, double drawing_scale) {
  Placed placed;
  int x = usable.x, y = usable.y, row_height = 0;
  for (const WindowImage& image : images) {
    const cv::Size size = image.size;
    double scale = image.least_width == 0
                       ? frame_scale
                       : std::max(drawing_scale, double(image.least_width) / size.width);
    scale = std::min(scale, double(kLargestWindowSide) / std::max(size.width, size.height));
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
                                      const WindowFrame& frame) {
  const auto fits = [&](double frames, double drawings) {
    return in_rows(usable, images, frame, frames, drawings).fits;
  };
  // All by one factor, while the drawings stay legible at it.
  double legible = kSmallestScale;
  for (const WindowImage& image : images) {
    legible = std::max(legible, double(image.least_width) / image.size.width);
  }
  const std::optional<double> common =
      largest_fitting(legible, 1.0, [&](double scale) { return fits(scale, scale); });
  if (common) {
    return in_rows(usable, images, frame, *common, *common).rects;
  }
  // The drawings at their own size, the frames sharing the rest.
  if (const std::optional<double> frames =
          largest_fitting(kSmallestScale, 1.0, [&](double scale) { return fits(scale, 1.0); })) {
    return in_rows(usable, images, frame, *frames, 1.0).rects;
  }
  const std::optional<double> drawings =
      largest_fitting(0, 1.0, [&](double scale) { return fits(kSmallestScale, scale); });
  return in_rows(usable, images, frame, kSmallestScale, drawings.value_or(0)).rects;
}

bool lay_out_again(const std::vector<cv::Size>& laid_out_for, const std::vector<cv::Size>& largest,
                   std::chrono::steady_clock::duration since_last_layout) {
  return laid_out_for != largest && since_last_layout >= kSteadyFor;
}
