// SPDX-License-Identifier: Apache-2.0
// What camscope-demo plays: its built-in scene, a picture or image sequence, a video file or
// stream, or a camera device.
#pragma once

#include <memory>
#include <opencv2/videoio.hpp>
#include <optional>
#include <string>

#include "camera_reader.hpp"

class Watchdog;

// A source of frames and the rules its reads follow; the loop reads it as it reads a camera.
struct DemoSource {
  std::shared_ptr<cv::VideoCapture> camera;
  ReadPolicy policy;
};

// Opens what name names (see identify_source): a live camera for a character device (/dev/video2),
// a picture or image sequence, else a video file or stream; the built-in scene when no name is
// given. Throws SourceError.
DemoSource open_demo_source(const std::optional<std::string>& name, Watchdog& watchdog);
