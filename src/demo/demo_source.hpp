// SPDX-License-Identifier: Apache-2.0
// What camscope-demo plays: its built-in scene, a picture, an image sequence, a video file or
// stream, or a camera device, as its name decides once.
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

// Opens what name names, found from one stat: an address (a name with ://) is a stream; a missing
// name with % an image sequence; a character device a live camera (/dev/video2); a regular file
// that OpenCV reads as a picture is one; anything else a video for FFmpeg. The built-in scene when
// no name is given. Throws SourceError for a name that is empty, missing, unreadable, empty, a
// directory, or that cannot be played.
DemoSource open_demo_source(const std::optional<std::string>& name, Watchdog& watchdog);
