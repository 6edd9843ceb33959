// SPDX-License-Identifier: Apache-2.0
// camscope-demo: camscope's windows and console line on a made-up scene, for a machine without a
// camera, or on a recording or picture the user names. Ends on q, like camscope.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "clip_camera.hpp"
#include "failure_report.hpp"
#include "run_in_windows.hpp"
#include "startup.hpp"
#include "synthetic_camera.hpp"

namespace {

constexpr const char* kUsageLine = "usage: camscope-demo [FILE]\n";
constexpr const char* kHelp =
    "Shows camscope's seven windows and console line on a built-in moving scene, or on FILE:\n"
    "a video or image that OpenCV opens (AVI, MP4, MKV, JPEG, PNG, ...; also an image sequence\n"
    "pattern such as frame_%04d.png, or a stream URL). A clip plays at its own frame rate and\n"
    "starts again at its end; a picture is shown over and over. Press q in a window to quit.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  // Start-up: the command line; signals and memory; then the scene or the clip.
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--help") {
    std::cout << kUsageLine << kHelp;
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "camscope-demo " << CAMSCOPE_VERSION << "\n";
    return 0;
  }
  if (args.size() > 1 || (args.size() == 1 && args[0].rfind('-', 0) == 0)) {
    std::cerr << "camscope-demo: "
              << (args.size() > 1 ? "one FILE at most"
                                  : "unknown option " + args[0] +
                                        " (name a file that starts with - as ./" + args[0] + ")")
              << "\n"
              << kUsageLine << "camscope-demo --help tells more\n";
    return 2;
  }
  start_up("camscope-demo");
  try {
    std::unique_ptr<cv::VideoCapture> camera;
    ReadPolicy policy;
    if (args.empty()) {
      // A 640x480 scene at 30 frames a second, like a webcam.
      camera =
          std::make_unique<SyntheticCamera>(cv::Size(640, 480), 48, std::chrono::milliseconds(33));
      policy.camera_name = "the synthetic camera";
    } else {
      try {
        camera = std::make_unique<ClipCamera>(args[0]);
      } catch (const ClipError& e) {
        std::cerr << "camscope-demo: cannot play " << args[0] << ": " << e.what() << "\n";
        return 1;
      }
      policy.camera_name = args[0];
    }

    // Loop: the same loop and windows as camscope's.
    return run_in_windows("camscope-demo", *camera, policy);
  } catch (...) {
    return report_failure(std::current_exception(), "camscope-demo", std::cerr);
  }
}
