// SPDX-License-Identifier: Apache-2.0
// Where the seven windows go on the screen, so that all of them can be seen at once.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

// What the window system adds around a window's contents: its borders and its title bar, in
// pixels.
struct WindowFrame {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Below this scale no image is shrunk, however small the screen: the windows then overlap (see
// lay_out_windows).
constexpr double kSmallestScale = 0.05;

// The contents' rectangles of windows that show images of these sizes, in this order, left to
// right in rows from the top-left of usable, each window with its frame around its rectangle:
// none covers another and all lie within usable. Each image is shown at its own size when all fit
// so; else all are shrunk by the largest common factor at which they fit, keeping their aspect.
// When not even kSmallestScale fits, they are shrunk by that, and the rows that do not fit below
// the others start again from the top, over the first ones.
std::vector<cv::Rect> lay_out_windows(const cv::Rect& usable, const std::vector<cv::Size>& images,
                                      const WindowFrame& frame);
