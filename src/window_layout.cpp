// SPDX-License-Identifier: Apache-2.0
// Where the seven windows go on the screen, so that all of them can be seen at once.
#include "window_layout.hpp"

#include <algorithm>
#include <cmath>

namespace {

// The windows at this scale, in rows: each goes on the row so far when it still fits there, else
// starts the next. Sets fits to whether all rows lie within usable.
std::vector<cv::Rect> in_rows(const cv::Rect& usable, const std::vector<cv::Size>& images,
                              const WindowFrame& frame, double scale, bool& fits) {
  std::vector<cv::Rect> placed;
  fits = true;
  int x = usable.x, y = usable.y, row_height = 0;
  for (const cv::Size& image : images) {
    const cv::Size content(std::max(1, static_cast<int>(std::lround(image.width * scale))),
                           std::max(1, static_cast<int>(std::lround(image.height * scale))));
    const int width = content.width + frame.left + frame.right;
    const int height = content.height + frame.top + frame.bottom;
    if (x > usable.x && x + width > usable.br().x) {
      x = usable.x;
      y += row_height;
      row_height = 0;
    }
    if (x + width > usable.br().x || y + height > usable.br().y) {
      fits = false;
    }
    if (y > usable.y && y + height > usable.br().y) {
      y = usable.y;  // what does not fit: again from the top, over the first rows
    }
    placed.emplace_back(x + frame.left, y + frame.top, content.width, content.height);
    x += width;
    row_height = std::max(row_height, height);
  }
  return placed;
}

}  // namespace

std::vector<cv::Rect> lay_out_windows(const cv::Rect& usable, const std::vector<cv::Size>& images,
                                      const WindowFrame& frame) {
  bool fits = false;
  std::vector<cv::Rect> placed = in_rows(usable, images, frame, 1.0, fits);
  if (fits) {
    return placed;
  }
  // Smaller windows never take more rows, nor taller ones: the largest scale that fits lies
  // between one that fits and one that does not.
  double too_large = 1.0, small_enough = kSmallestScale;
  placed = in_rows(usable, images, frame, small_enough, fits);
  if (!fits) {
    return placed;
  }
  for (int halvings = 0; halvings < 40; halvings++) {
    const double middle = (too_large + small_enough) / 2;
    (void)in_rows(usable, images, frame, middle, fits);
    (fits ? small_enough : too_large) = middle;
  }
  return in_rows(usable, images, frame, small_enough, fits);
}
