// SPDX-License-Identifier: Apache-2.0
// A camera that shows a picture over and over, for camscope-demo.
#pragma once

#include <opencv2/videoio.hpp>
#include <string>

class Watchdog;

// OpenCV refuses a picture larger than camscope analyses from its header, before decoding it, once
// OPENCV_IO_MAX_IMAGE_PIXELS says so; OpenCV reads the variable as it loads, before main. So where
// it is not set, this sets it and starts the program again, with argv; first thing in main.
void limit_picture_size(char** argv);

// Serves a picture as cv::imread reads it, turned upright by its EXIF orientation and made 8-bit
// colour (see to_colour_frame).
class PictureCamera : public cv::VideoCapture {
 public:
  // Reads the picture within kOpenLimit; throws SourceError when it cannot be shown.
  PictureCamera(const std::string& name, Watchdog& watchdog);
  bool isOpened() const override { return true; }
  bool read(cv::OutputArray image) override;

 private:
  cv::Mat picture_;
};
