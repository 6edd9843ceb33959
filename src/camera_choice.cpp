// SPDX-License-Identifier: Apache-2.0
// Which camera the run reads: camera 0 must open, and camera 1 takes its place when it opens too.
#include "camera_choice.hpp"

#include <cstdlib>

#include "quiet_log.hpp"
#include "watchdog.hpp"

Opened open_camera_within(const std::string& name, std::chrono::milliseconds limit,
                          const std::function<Opened()>& open, Watchdog& watchdog,
                          const std::string& advice) {
  const QuietOpenCvLog quiet;
  // Some capture routes (GStreamer's) wait inside the opening for a first frame, without end.
  const WaitGuard guard(watchdog, limit, name + " sends no frame (none in ",
                        "); check that it is connected, receives a picture and is not in use by "
                        "another program" +
                            advice);
  return open();
}

std::optional<ChosenCamera> choose_camera(const CameraOpener& open, std::chrono::milliseconds limit,
                                          Watchdog& watchdog) {
  Opened cap = open_camera_within(
      "camera 0", limit, [&] { return open(0); }, watchdog);
  if (!cap || !cap->isOpened()) {
    return std::nullopt;
  }
  Opened cap1 = open_camera_within(
      "camera 1", limit, [&] { return open(1); }, watchdog, ", or disconnect it to use camera 0");
  if (cap1 && cap1->isOpened()) {
    return ChosenCamera{cap1, "camera 1"};  // camera 0 is released here
  }
  return ChosenCamera{cap, "camera 0"};
}

namespace {

// V4L2 first, which takes a webcam's 640x480 at its full rate in whichever format it sends
// (GStreamer's route, first in OpenCV's own order on Debian, takes the largest, slowest raw mode
// and fails at random on a camera that sends Motion-JPEG alone), then OpenCV's own choice; only
// OpenCV's own where the user set OPENCV_VIDEOIO_PRIORITY_LIST, which it obeys.
template <class Camera>
std::shared_ptr<cv::VideoCapture> open_through_routes(const Camera& camera) {
  auto cap = std::make_shared<cv::VideoCapture>();
  // NOLINTNEXTLINE(concurrency-mt-unsafe): nothing in camscope changes the environment now
  if (std::getenv("OPENCV_VIDEOIO_PRIORITY_LIST") != nullptr || !cap->open(camera, cv::CAP_V4L2)) {
    cap->open(camera, cv::CAP_ANY);
  }
  return cap;
}

}  // namespace

std::shared_ptr<cv::VideoCapture> open_camera(int index) {
  return open_through_routes(index);
}

std::shared_ptr<cv::VideoCapture> open_camera_device(const std::string& path) {
  return open_through_routes(path);
}
