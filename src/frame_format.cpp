// SPDX-License-Identifier: Apache-2.0
// The frames the stages take: 8-bit colour, and no larger than the loop can analyse.
#include "frame_format.hpp"

#include <opencv2/imgproc.hpp>

namespace {

std::string millions(long long pixels) {
  const long long tenths = (pixels + 50000) / 100000;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " million";
}

}  // namespace

std::string frame_size_limit() {
  return "the " + millions(kMaxFramePixels) + " (8192 x 4320) that camscope analyses";
}

std::string frame_size_problem(cv::Size size) {
  const long long pixels = static_cast<long long>(size.width) * size.height;
  if (pixels <= kMaxFramePixels) {
    return "";
  }
  return std::to_string(size.width) + " x " + std::to_string(size.height) + " pixels (" +
         millions(pixels) + "), more than " + frame_size_limit();
}

bool to_colour_frame(const cv::Mat& frame, cv::Mat& out) {
  const int channels = frame.channels();
  if (channels == 2 || channels > 4) {
    return false;
  }
  cv::Mat eight_bit;
  switch (frame.depth()) {
    case CV_8U:
      eight_bit = frame;
      break;
    case CV_16U:
      // v / 256 rounded down, as cv::imread reads 16 bits into 8: nothing is halfway, so
      // rounding v / 256 - 127.5 / 256 to the nearest is the same.
      frame.convertTo(eight_bit, CV_8U, 1.0 / 256, -127.5 / 256);
      break;
    case CV_32F:
    case CV_64F:
      frame.convertTo(eight_bit, CV_8U, 255.0, 0.0);
      break;
    default:
      return false;
  }
  if (channels == 3) {
    if (eight_bit.data != out.data) {
      eight_bit.copyTo(out);
    }
  } else {
    cv::cvtColor(eight_bit, out, channels == 1 ? cv::COLOR_GRAY2BGR : cv::COLOR_BGRA2BGR);
  }
  return true;
}
