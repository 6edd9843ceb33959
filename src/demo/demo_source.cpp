// SPDX-License-Identifier: Apache-2.0
// What camscope-demo plays: its built-in scene, a picture or image sequence, a video file or
// stream, or a camera device.
#include "demo/demo_source.hpp"

#include "demo/clip_camera.hpp"
#include "demo/device_camera.hpp"
#include "demo/picture_camera.hpp"
#include "demo/source_error.hpp"
#include "demo/source_kind.hpp"
#include "demo/synthetic_camera.hpp"

namespace {

// Pictures are shown, and the scene and image sequences play, 30 times a second, like a webcam.
constexpr std::chrono::nanoseconds kWebcamInterval{33333333};

}  // namespace

DemoSource open_demo_source(const std::optional<std::string>& given, Watchdog& watchdog) {
  DemoSource demo;
  if (!given) {
    demo.camera = std::make_shared<SyntheticCamera>(cv::Size(640, 480), 48);
    demo.policy.camera_name = "the synthetic camera";
    demo.policy.frame_interval = kWebcamInterval;
    return demo;
  }
  const std::string& name = *given;
  const Source source = identify_source(name);
  if (!source.problem.empty()) {
    throw SourceError(name, source.problem);
  }
  demo.policy.camera_name = shown_name(name);
  switch (source.kind) {
    case SourceKind::kDevice:
      demo.camera = open_device_camera(name, watchdog);  // read live, as camscope reads its cameras
      break;
    case SourceKind::kPicture:
    case SourceKind::kSequence:
      demo.camera =
          std::make_shared<PictureCamera>(name, source.kind == SourceKind::kSequence, watchdog);
      demo.policy.stall_advice = "the disk its files are on may be too slow, or not answering";
      demo.policy.frame_interval = kWebcamInterval;
      break;
    case SourceKind::kStream:
    case SourceKind::kClip: {
      auto clip = std::make_shared<ClipCamera>(name, source, watchdog);
      demo.policy.frame_interval = clip->frame_interval();
      demo.camera = std::move(clip);
      break;
    }
  }
  return demo;
}
