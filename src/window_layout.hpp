// SPDX-License-Identifier: Apache-2.0
// Where the seven windows go on the screen, so that all of them can be seen at once, and when they
// are laid out again.
#pragma once

#include <chrono>
#include <opencv2/core.hpp>
#include <vector>

// What the window system adds around a window's contents: its borders and its title bar, in
// pixels.
struct WindowFrame {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// A window's image; and for a drawing of a fixed size of its own (the plot, the swatch), the
// narrowest it may be shown and still be read, in device pixels; 0 for a frame.
struct WindowImage {
  cv::Size size;
  int least_width = 0;
};

// The narrowest a frame is shown, in device pixels, however small the screen; a narrower frame is
// shown at its own size.
constexpr int kLeastFrameWidth = 150;

// No window side passes X's limit of 32767 pixels, its frame included.
constexpr int kLargestWindowSide = 32767 - 64;

// The contents' rectangles of windows that show these images, in this order, left to right in
// rows from the top-left of usable, each window with its frame around its rectangle: none covers
// another and all lie within usable. usable, frame and the rectangles are in Qt's logical pixels,
// device_pixel_ratio device pixels to one of them; images are in device pixels. Each image is shown
// at its own size when all fit so; else all are shrunk by the largest common factor at which they
// fit, keeping their aspect, as long as each stays at its least width. Where they would not, the
// drawings keep their own size and the frames share what is left, by one factor, down to their
// least width; then the drawings give way, down to theirs. When nothing fits, each is at its least
// width, and the rows that do not fit below the others start again from the top, over the first.
std::vector<cv::Rect> lay_out_windows(const cv::Rect& usable,
                                      const std::vector<WindowImage>& images,
                                      const WindowFrame& frame, double device_pixel_ratio);

// The windows are laid out again only when an image has grown past the size they were laid out
// for (largest: the largest each has been, which the next layout takes), and then not sooner than
// kSteadyFor after the last layout, so that a source whose frames change size does not move the
// windows while the user watches them; smaller images scale within their windows.
constexpr std::chrono::seconds kSteadyFor{3};
bool lay_out_again(const std::vector<cv::Size>& laid_out_for, const std::vector<cv::Size>& largest,
                   std::chrono::steady_clock::duration since_last_layout);
