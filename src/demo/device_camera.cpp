// SPDX-License-Identifier: Apache-2.0
// A camera named by its device file, for camscope-demo: /dev/video2 rather than camera 0 or 1.
#include "demo/device_camera.hpp"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "camera_choice.hpp"
#include "demo/source_error.hpp"
#include "quoted.hpp"
#include "time_limits.hpp"

namespace {

// Why the device at path is no camera to capture from, or "" when it answers as one. A laptop's
// camera has a second node for its metadata, which answers but captures no picture.
std::string capture_problem(const std::string& path) {
  // Opening some devices acts (a watchdog arms, a serial line's signals change): only a video
  // device (video4linux's major number) is opened at all, and never as a controlling terminal.
  constexpr unsigned kVideoMajor = 81;
  struct stat info {};
  if (stat(path.c_str(), &info) == 0 && major(info.st_rdev) != kVideoMajor) {
    return "it is not a camera: it does not answer as a video device";
  }
  const int fd = open(path.c_str(),  // NOLINT(cppcoreguidelines-pro-type-vararg)
                      O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int cause = errno;
    return std::generic_category().message(cause) +
           (cause == EACCES ? "; check the device's permissions (cameras usually belong to the "
                              "group video)"
                            : "");
  }
  v4l2_capability caps{};
  const bool answers =
      ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0;  // NOLINT(cppcoreguidelines-pro-type-vararg)
  (void)close(fd);
  if (!answers) {
    return "it is not a camera: it does not answer as a video device";
  }
  const unsigned kinds =
      (caps.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? caps.device_caps : caps.capabilities;
  if ((kinds & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)) == 0) {
    return "it is a video device that captures no picture (a camera's metadata node, say); try "
           "another /dev/video device";
  }
  return "";
}

}  // namespace

std::shared_ptr<cv::VideoCapture> open_device_camera(const std::string& path, Watchdog& watchdog) {
  if (const std::string problem = capture_problem(path); !problem.empty()) {
    throw SourceError(path, problem);
  }
  Opened camera = open_camera_within(
      quoted(path), kOpenLimit, [&] { return open_camera_device(path); }, watchdog);
  if (!camera->isOpened()) {
    throw SourceError(
        path, "OpenCV cannot open it as a camera; check that it is not in use by another program");
  }
  return camera;
}
