// SPDX-License-Identifier: Apache-2.0
// A camera that shows a picture, or the pictures of an image sequence one after another, for
// camscope-demo.
#pragma once

#include <opencv2/videoio.hpp>
#include <string>

class Watchdog;

// OpenCV refuses a picture larger than camscope analyses from its header, before decoding it, once
// OPENCV_IO_MAX_IMAGE_PIXELS says so; OpenCV reads the variable as it loads, before main. So where
// it is not set, this sets it and starts the program again, with argv; first thing in main.
void limit_picture_size(char** argv);

// Serves a picture over and over, or the files of an image sequence (frame_%04d.png) in turn,
// again from the first after the last. Each is read as cv::imread reads it, turned upright by its
// EXIF orientation, and made 8-bit colour (see to_colour_frame): the pictures of one sequence may
// differ in size, depth and channels.
class PictureCamera : public cv::VideoCapture {
 public:
  // Reads the picture, or the sequence's first file, within kOpenLimit; throws SourceError when it
  // cannot be played.
  PictureCamera(const std::string& name, bool sequence, Watchdog& watchdog);
  bool isOpened() const override { return true; }
  // A file of the sequence that cannot be read is a failed read, the next read trying the next
  // file; one larger than camscope analyses ends the run (CameraError).
  bool read(cv::OutputArray image) override;

 private:
  std::string name_;
  bool sequence_;
  int first_ = 0;    // the index of the sequence's first file
  int next_ = 0;     // the index of the file the next read serves
  cv::Mat picture_;  // a picture, or the sequence's first file, read when opened
  bool served_first_ = false;
};
