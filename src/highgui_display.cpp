// SPDX-License-Identifier: Apache-2.0
// The real windows, through OpenCV's highgui, laid out over the screen.
#include <algorithm>
#include <iostream>
#include <opencv2/highgui.hpp>

#include "display.hpp"
#include "frame_loop.hpp"
#include "time_limits.hpp"
#include "window_system.hpp"

namespace {

// The drawings' least widths: the plot's curves and markers, and the swatch's colour, stay legible.
int least_width_of(const std::string& title) {
  return title == "hist_image" ? 300 : title == "histmax_color" ? 200 : 0;
}

}  // namespace

void HighGuiDisplay::show(const std::string& title, const cv::Mat& image) {
  const size_t i =
      static_cast<size_t>(std::find(titles_.begin(), titles_.end(), title) - titles_.begin());
  if (i == titles_.size()) {
    // Without OpenCV's toolbar, which makes every window 1,500 pixels wide whatever its image.
    cv::namedWindow(title, cv::WINDOW_NORMAL | cv::WINDOW_KEEPRATIO | cv::WINDOW_GUI_NORMAL);
    titles_.push_back(title);
    largest_.push_back(image.size());
    layout_due_ = true;
  }
  cv::Size& largest = largest_[i];
  largest = {std::max(largest.width, image.cols), std::max(largest.height, image.rows)};
  cv::imshow(title, image);
}

int HighGuiDisplay::poll_key(std::chrono::milliseconds delay) {
  int key = cv::waitKey(static_cast<int>(std::max<long long>(delay.count(), 1)));  // 0: for ever
  if (layout_due_ ||
      lay_out_again(laid_out_for_, largest_, std::chrono::steady_clock::now() - laid_out_at_)) {
    const int pressed = lay_out();
    key = key != -1 ? key : pressed;
  }
  return key;
}

int HighGuiDisplay::lay_out() {
  // A window manager frames a new window a moment after it appears, and places it then, over any
  // place camscope gives it before: the windows are laid out once all are framed, or when
  // kFramingLimit has passed. Without a window manager (nothing framed by then) they stay bare.
  int key = -1;
  const auto all_framed = [&] {
    return std::all_of(titles_.begin(), titles_.end(),
                       [](const std::string& title) { return frame_of(title).top > 0; });
  };
  const auto given_up = std::chrono::steady_clock::now() + kFramingLimit;
  while (window_manager_ && !all_framed() && std::chrono::steady_clock::now() < given_up) {
    const int pressed = cv::waitKey(10);
    key = key != -1 ? key : pressed;
  }
  const WindowFrame frame = frame_of(titles_.front());
  window_manager_ = frame.top > 0;
  std::vector<WindowImage> images;
  for (size_t i = 0; i < titles_.size(); i++) {
    images.push_back({largest_[i], least_width_of(titles_[i])});
  }
  const std::vector<cv::Rect> places = lay_out_windows(usable_screen_area(titles_.front()), images,
                                                       frame, device_pixel_ratio(titles_.front()));
  for (size_t i = 0; i < titles_.size(); i++) {
    cv::resizeWindow(titles_[i], places[i].width, places[i].height);
    // A window's position is its frame's; on Wayland the compositor places windows, not camscope.
    cv::moveWindow(titles_[i], places[i].x - frame.left, places[i].y - frame.top);
  }
  layout_due_ = false;
  laid_out_for_ = largest_;
  laid_out_at_ = std::chrono::steady_clock::now();
  return key;
}

int run_in_windows(const char* program, cv::VideoCapture& cap, const ReadPolicy& policy,
                   Watchdog& watchdog) {
  introduce_to_desktop(program, watchdog);
  HighGuiDisplay display;
  return run_frame_loop(cap, display, std::cout, policy, watchdog);
}
