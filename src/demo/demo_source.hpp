// SPDX-License-Identifier: Apache-2.0
// What camscope-demo plays: its built-in scene, a file or stream, or a camera device.
#pragma once

#include <memory>
#include <opencv2/videoio.hpp>
#include <stdexcept>
#include <string>

#include "camera_reader.hpp"

// The source cannot be played; what() says why, and what the user can do.
class SourceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A source of frames and the rules its reads follow; the loop reads it as it reads a camera.
struct DemoSource {
  std::shared_ptr<cv::VideoCapture> camera;
  ReadPolicy policy;
};

// Opens the built-in scene when name is empty, a live camera when it names a character device
// (/dev/video2), else a file or stream (see clip_camera.hpp). Throws SourceError.
DemoSource open_demo_source(const std::string& name);
