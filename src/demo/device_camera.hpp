// SPDX-License-Identifier: Apache-2.0
// A camera named by its device file, for camscope-demo: /dev/video2 rather than camera 0 or 1.
#pragma once

#include <memory>
#include <opencv2/videoio.hpp>
#include <string>

class Watchdog;

// Opens the video capture device at path through whichever capture route OpenCV takes for it,
// within camscope's opening limit. Throws SourceError when path is no camera or cannot be opened.
std::shared_ptr<cv::VideoCapture> open_device_camera(const std::string& path, Watchdog& watchdog);
