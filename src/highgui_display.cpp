// SPDX-License-Identifier: Apache-2.0
// The real windows, through OpenCV's highgui, laid out over the screen.
#include <algorithm>
#include <opencv2/highgui.hpp>

#include "desktop.hpp"
#include "display.hpp"
#include "time_limits.hpp"

namespace {

// The drawings' least widths: the plot's curves and markers, and the swatch's colour, stay legible.
int least_width_of(const std::string& title) {
  return title == "hist_image" ? 300 : title == "histmax_color" ? 200 : 0;
}

}  // namespace

HighGuiDisplay::HighGuiDisplay() : closed_(std::make_unique<ClosedWindows>()) {}

HighGuiDisplay::~HighGuiDisplay() = default;

void HighGuiDisplay::show(const std::string& title, const cv::Mat& image) {
  const size_t i =
      static_cast<size_t>(std::find(titles_.begin(), titles_.end(), title) - titles_.begin());
  if (i == titles_.size()) {
    // Without OpenCV's toolbar, which makes every window 1,500 pixels wide whatever its image.
    cv::namedWindow(title, cv::WINDOW_NORMAL | cv::WINDOW_KEEPRATIO | cv::WINDOW_GUI_NORMAL);
    closed_->watch(title);
    titles_.push_back(title);
    largest_.push_back(image.size());
    layout_due_ = true;
  }
  cv::Size& largest = largest_[i];
  largest = {std::max(largest.width, image.cols), std::max(largest.height, image.rows)};
  cv::imshow(title, image);  // which shows a closed window again
  if (const std::optional<cv::Rect> left_at = closed_->take(title)) {
    reopened_.emplace_back(i, *left_at);
  }
}

int HighGuiDisplay::poll_key(std::chrono::milliseconds delay) {
  int key = cv::waitKey(static_cast<int>(std::max<long long>(delay.count(), 1)));  // 0: for ever
  if (layout_due_ ||
      lay_out_again(laid_out_for_, largest_, std::chrono::steady_clock::now() - laid_out_at_)) {
    const int pressed = lay_out();
    key = key != -1 ? key : pressed;
  }
  // A window shown again after its user closed it goes back where it was when closed: where the
  // user left it, which is its own place unless the user moved it. The poll first lets the window
  // manager map it (which may place it anew).
  for (const auto& [i, left_at] : reopened_) {
    if (!places_.empty()) {
      place(i, left_at);
    }
  }
  reopened_.clear();
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
  frame_ = frame_of(titles_.front());
  window_manager_ = frame_.top > 0;
  std::vector<WindowImage> images;
  for (size_t i = 0; i < titles_.size(); i++) {
    images.push_back({largest_[i], least_width_of(titles_[i])});
  }
  places_ = lay_out_windows(usable_screen_area(titles_.front()), images, frame_);
  for (size_t i = 0; i < titles_.size(); i++) {
    place(i, places_[i]);
  }
  layout_due_ = false;
  laid_out_for_ = largest_;
  laid_out_at_ = std::chrono::steady_clock::now();
  return key;
}

void HighGuiDisplay::place(size_t i, const cv::Rect& content) {
  cv::resizeWindow(titles_[i], content.width, content.height);
  // A window's position is its frame's; on Wayland the compositor places windows, not camscope.
  cv::moveWindow(titles_[i], content.x - frame_.left, content.y - frame_.top);
}
