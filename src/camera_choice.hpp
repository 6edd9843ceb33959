// SPDX-License-Identifier: Apache-2.0
// Which camera the run reads: camera 0 must open, and camera 1 takes its place when it opens too.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <opencv2/videoio.hpp>
#include <optional>
#include <string>

class Watchdog;

using Opened = std::shared_ptr<cv::VideoCapture>;

// Opens the camera with this index; camscope passes open_camera, the tests pass fakes.
using CameraOpener = std::function<Opened(int index)>;

struct ChosenCamera {
  std::shared_ptr<cv::VideoCapture> cap;  // every read of the run goes to this one
  std::string name;                       // "camera 0" or "camera 1", as the messages say
};

// Opens camera 0 and, when it opened, camera 1; camera 1 is kept when it opens, else camera 0.
// Returns nothing when camera 0 cannot be opened (camera 1 is then not tried). OpenCV's log is
// silent meanwhile, unless the user chose its level with OPENCV_LOG_LEVEL: a missing camera 1 is
// no news, and its back-ends' warnings would greet every user at every start. A camera whose
// opening has not returned after limit (one that waits for a first frame that never comes) has the
// watchdog end the process with status 1 and a message naming it.
std::optional<ChosenCamera> choose_camera(const CameraOpener& open, std::chrono::milliseconds limit,
                                          Watchdog& watchdog);

// Opens the camera called name through open, with OpenCV's log silent as above. An opening that
// has not returned after limit ends the process with status 1 and a message naming the camera,
// with advice after the usual one.
Opened open_camera_within(const std::string& name, std::chrono::milliseconds limit,
                          const std::function<Opened()>& open, Watchdog& watchdog,
                          const std::string& advice = "");

// The real camera with this index, or at this device path, through V4L2 first, then OpenCV's own
// choice of capture back-end.
std::shared_ptr<cv::VideoCapture> open_camera(int index);
std::shared_ptr<cv::VideoCapture> open_camera_device(const std::string& path);
