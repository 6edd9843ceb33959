// SPDX-License-Identifier: Apache-2.0
// camscope-demo: camscope's windows and console line on a made-up scene, for a machine without a
// camera, or on a recording, picture, stream or camera device the user names. Ends on q, like
// camscope.
#include <iostream>
#include <string>
#include <vector>

#include "demo/demo_source.hpp"
#include "demo/picture_camera.hpp"
#include "display.hpp"
#include "frame_loop.hpp"
#include "quoted.hpp"
#include "startup.hpp"
#include "watchdog.hpp"

namespace {

constexpr const char* kUsageLine = "usage: camscope-demo [--] [FILE]\n";
constexpr const char* kHelp =
    "Shows camscope's seven windows and console line on a built-in moving scene, or on FILE:\n"
    "  a video (AVI, MP4, MKV, ...): played at its own frame rate, again from the start at its "
    "end;\n"
    "  a picture (JPEG, PNG, ...): shown over and over, upright as its EXIF orientation says, in\n"
    "    8-bit colour whatever its depth;\n"
    "  an image sequence pattern such as frame_%04d.png, or a stream URL (rtsp://, http://, ...);\n"
    "  a camera device such as /dev/video2: read live, as camscope reads its cameras.\n"
    "What cannot be played is refused with the reason before any window opens. Press q in a\n"
    "window to quit.\n"
    "\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "  --         end of options: the next argument is FILE, even if it starts with -\n";

}  // namespace

int main(int argc, char** argv) try {
  limit_picture_size(argv);
  // Start-up: the command line; the process before any library starts a thread; then the scene,
  // the file or the camera, whose failure is told before a window system's.
  std::vector<std::string> args(argv + 1, argv + argc);
  const bool options_ended = !args.empty() && args[0] == "--";
  if (options_ended) {
    args.erase(args.begin());
  }
  if (!options_ended && args.size() == 1 && args[0] == "--help") {
    std::cout << kUsageLine << kHelp;
    return 0;
  }
  if (!options_ended && args.size() == 1 && args[0] == "--version") {
    std::cout << "camscope-demo " << CAMSCOPE_VERSION << "\n";
    return 0;
  }
  if (args.size() > 1 || (!options_ended && args.size() == 1 && args[0].rfind('-', 0) == 0)) {
    std::cerr << "camscope-demo: "
              << (args.size() > 1 ? "one FILE at most"
                                  : "unknown option " + quoted(args[0]) +
                                        " (name a file that starts with - as -- " +
                                        quoted(args[0]) + " or ./" + quoted(args[0]) + ")")
              << "\n"
              << kUsageLine << "camscope-demo --help tells more\n";
    return 2;
  }
  start_up();
  Watchdog watchdog("camscope-demo");
  const DemoSource source =
      open_demo_source(args.empty() ? std::nullopt : std::optional<std::string>(args[0]), watchdog);

  // Loop: the same loop and windows as camscope's.
  return run_in_windows("camscope-demo", *source.camera, source.policy, watchdog);

  // Shut-down: returning releases the source and stops the watchdog; the windows close at exit.
} catch (...) {
  // Every failure ends here, as a message and status 1.
  return report_failure(std::current_exception(), "camscope-demo", std::cerr);
}
