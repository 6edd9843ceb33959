// SPDX-License-Identifier: Apache-2.0
// What camscope-demo plays: its built-in scene, a picture, an image sequence, a video file or
// stream, or a camera device, as its name decides once.
#include "demo/demo_source.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <opencv2/imgcodecs.hpp>
#include <system_error>

#include "demo/clip_camera.hpp"
#include "demo/device_camera.hpp"
#include "demo/picture_camera.hpp"
#include "demo/source_error.hpp"
#include "demo/synthetic_camera.hpp"

namespace {

// Pictures are shown, and the scene plays, 30 times a second, like a webcam.
constexpr std::chrono::nanoseconds kWebcamInterval{33333333};

std::shared_ptr<ClipCamera> open_clip(const std::string& name, ClipKind kind, DemoSource& demo,
                                      Watchdog& watchdog) {
  auto clip = std::make_shared<ClipCamera>(name, kind, watchdog);
  demo.policy.frame_interval = clip->frame_interval();
  return clip;
}

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
  demo.policy.camera_name = shown_name(name);
  if (name.empty()) {  // a script's unset variable, say: the scene is for no argument at all
    throw SourceError(name,
                      "no name given; name a file, or give no argument for the built-in scene");
  }
  if (name.find("://") != std::string::npos) {
    demo.camera = open_clip(name, ClipKind::kStream, demo, watchdog);
    return demo;
  }
  struct stat info {};
  if (stat(name.c_str(), &info) != 0) {
    const int cause = errno;
    if (cause == ENOENT && name.find('%') != std::string::npos) {
      demo.policy.stall_advice = "the disk its files are on may be too slow, or not answering";
      demo.camera = open_clip(name, ClipKind::kSequence, demo, watchdog);
      return demo;
    }
    throw SourceError(name,
                      std::generic_category().message(cause) + "; check the name and the path");
  }
  if (S_ISCHR(info.st_mode)) {
    demo.camera = open_device_camera(name, watchdog);  // read live, as camscope reads its cameras
    return demo;
  }
  if (S_ISDIR(info.st_mode)) {
    throw SourceError(name,
                      "it is a directory; name a video or image file, or a pattern such as "
                      "frame_%04d.png for an image sequence");
  }
  if (access(name.c_str(), R_OK) != 0) {
    throw SourceError(name,
                      std::generic_category().message(errno) + "; check the file's permissions");
  }
  const bool regular = S_ISREG(info.st_mode);
  if (regular && info.st_size == 0) {
    throw SourceError(name, "the file is empty; check that it was copied or recorded whole");
  }
  if (regular && cv::haveImageReader(name)) {
    demo.camera = std::make_shared<PictureCamera>(name, watchdog);
    demo.policy.frame_interval = kWebcamInterval;
    return demo;
  }
  demo.camera = open_clip(name, ClipKind::kFile, demo, watchdog);
  return demo;
}
