// SPDX-License-Identifier: Apache-2.0
// What camscope-demo plays: its built-in scene, a file or stream, or a camera device.
#include "demo/demo_source.hpp"

#include <sys/stat.h>

#include "demo/clip_camera.hpp"
#include "demo/device_camera.hpp"
#include "demo/synthetic_camera.hpp"

DemoSource open_demo_source(const std::string& name) {
  DemoSource source;
  struct stat info {};
  if (name.empty()) {
    // A 640x480 scene at 30 frames a second, like a webcam.
    source.camera =
        std::make_shared<SyntheticCamera>(cv::Size(640, 480), 48, std::chrono::milliseconds(33));
    source.policy.camera_name = "the synthetic camera";
  } else if (stat(name.c_str(), &info) == 0 && S_ISCHR(info.st_mode)) {
    source.camera = open_device_camera(name);  // read live, as camscope reads its cameras
    source.policy.camera_name = name;
  } else {
    auto clip = std::make_shared<ClipCamera>(name);
    // Waiting for a slow clip's next frame is no stall: the read limit starts after it.
    source.policy.timeout += std::chrono::ceil<std::chrono::milliseconds>(clip->frame_interval());
    source.policy.camera_name = name;
    source.camera = std::move(clip);
  }
  return source;
}
