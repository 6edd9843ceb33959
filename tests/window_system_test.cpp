// SPDX-License-Identifier: Apache-2.0
// The choice of a window system for Qt through fake probes, and the platforms Qt has: with its
// Wayland plug-in, and without.
#include "window_system.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "window_layout.hpp"

namespace {

void set_or_unset(const char* name, const char* value) {
  (void)(value ? setenv(name, value, 1) : unsetenv(name));  // NOLINT(concurrency-mt-unsafe)
}

// Catches the session's own window system not tried first, in either kind of session, or the other
// one not tried next; a window system taken whose Qt platform is missing (Qt would abort), or the
// missing package not named; a chosen platform that Qt lacks handed to Qt, or refused without the
// list of those it has; a chosen X or Wayland taken unchecked; a working entry of a list, or a
// platform camscope cannot check, refused; and platforms read off anything but the plug-ins' own
// keys in Qt's folders: a folder with Qt's X plug-in alone offers xcb and no Wayland; and the
// advice naming another program than the one that runs.
TEST(WindowSystem, SessionFirstThenTheOtherAndOnlyWhatQtHas) {
  const std::string folder =
      ::testing::TempDir() + "camscope-platforms-" + std::to_string(getpid());
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(symlink((qt_platform_folders().back() + "/libqxcb.so").c_str(),
                    (folder + "/libqxcb.so").c_str()),
            0);
  const std::set<std::string> x_only = qt_platforms_in({folder});
  (void)(unlink((folder + "/libqxcb.so").c_str()) + rmdir(folder.c_str()));
  EXPECT_EQ(x_only, std::set<std::string>{"xcb"});
  const std::set<std::string> all = qt_platforms_in(qt_platform_folders());
  const std::set<std::string> both{"wayland", "xcb"};
  EXPECT_TRUE(std::includes(all.begin(), all.end(), both.begin(), both.end()));
  const struct {
    const char* session;
    const char* chosen;
    bool x, wayland;
    std::set<std::string> qt;
    const char* expected;  // the platform Qt is given, or after '!', a part of the message
  } cases[] = {
      {"x11", nullptr, true, true, both, "xcb"},
      {"wayland", nullptr, true, true, both, "wayland"},
      {"wayland", nullptr, true, false, both, "xcb"},
      {"wayland", nullptr, true, true, x_only, "xcb"},
      {"wayland", nullptr, false, true, x_only,
       "!(Wayland answers, but Qt's platform for it is not installed (Debian package qtwayland5); "
       "no X); run camscope-demo in a desktop session"},
      {"x11", "Wayland:option", true, false, both, "!QT_QPA_PLATFORM=Wayland:option: no Wayland"},
      {"x11", "wayland;xcb", true, false, both, "wayland;xcb"},
      {"x11", "offscreen", false, false, {"offscreen"}, "offscreen"}};
  for (const auto& c : cases) {
    set_or_unset("XDG_SESSION_TYPE", c.session);
    set_or_unset("QT_QPA_PLATFORM", c.chosen);
    const WindowSystemProbes probes{[&] { return c.x ? "" : "no X"; },
                                    [&] { return c.wayland ? "" : "no Wayland"; }, c.qt};
    const std::string expected = c.expected;
    const WindowSystem chosen = choose_window_system("camscope-demo", probes);
    if (chosen.failure.empty()) {
      EXPECT_EQ(chosen.qt_platform, expected);
    } else {
      EXPECT_EQ(expected[0], '!') << chosen.failure;
      EXPECT_THAT(chosen.failure, ::testing::HasSubstr(expected.substr(1)));
    }
  }
  set_or_unset("QT_QPA_PLATFORM", nullptr);
}

// The seven images of camscope's windows for frames of this size: the frame, the plot, the swatch,
// the gray frame, the spectrum (of the same size for even counts), the edge and motion masks.
std::vector<WindowImage> windows_for(cv::Size frame) {
  return {{frame}, {{512, 400}, 300}, {{400, 400}, 200}, {frame}, {frame}, {frame}, {frame}};
}

// Catches windows (with their frames) that overlap or leave the usable area, leave the table's
// order (left to right in rows, top to bottom), frames not all shrunk by one factor, or by more
// than they must (a laptop's 1366 x 768 without its panel fits the demo's 640 x 480 at 0.62, the
// plot 317 wide, as before; 1080p frames fit at 0.177 beside the plot and swatch at their own
// size, in one row of four below), any window's aspect lost, windows shrunk when all fit at their
// own size (on either side of that boundary) or enlarged on a large screen; the plot or the swatch
// shrunk with 1080p or 4K frames where the screen has room for their own size, or narrower than
// 300 and 200 pixels; and on a screen too small even for that, the drawings not shrunk first (to
// 0.76 here, still legible) or the frames not kept at the smallest scale.
TEST(WindowLayout, AllSevenWholeApartInOrderTheDrawingsLegibleAndAsLargeAsTheyFit) {
  const WindowFrame none{}, openbox{1, 20, 1, 5};
  const std::vector<WindowImage> squares(7, WindowImage{{100, 100}});
  const struct {
    cv::Rect usable;
    std::vector<WindowImage> images;
    WindowFrame frame;
    double lowest, highest;  // the frames' scale expected
    double drawings;         // the drawings' scale expected, to 0.01; 0: each at its least width
    bool apart = true;
  } cases[] = {
      {{0, 0, 400, 200}, squares, none, 1, 1, 1},
      {{0, 0, 399, 200}, squares, none, 0.99, 0.99, 1},
      {{0, 32, 1366, 736}, windows_for({640, 480}), openbox, 0.615, 0.62, 0.62},
      {{0, 32, 1366, 736}, windows_for({1920, 1080}), openbox, 0.175, 0.178, 1},
      {{0, 0, 1920, 1080}, windows_for({1920, 1080}), openbox, 0.275, 0.285, 1},
      {{0, 0, 1280, 720}, windows_for({3840, 2160}), openbox, 0.082, 0.083, 1},
      {{0, 0, 4096, 3072}, windows_for({640, 480}), openbox, 1, 1, 1},
      {{0, 0, 800, 480}, windows_for({1920, 1080}), openbox, kSmallestScale, kSmallestScale, 0.76},
      {{0, 0, 100, 60},
       windows_for({640, 480}),
       openbox,
       kSmallestScale,
       kSmallestScale,
       0,
       false}};
  for (const auto& c : cases) {
    const std::vector<cv::Rect> placed = lay_out_windows(c.usable, c.images, c.frame);
    const auto outer = [&](const cv::Rect& r) {
      return cv::Rect(r.x - c.frame.left, r.y - c.frame.top, r.width + c.frame.left + c.frame.right,
                      r.height + c.frame.top + c.frame.bottom);
    };
    const double scale = double(placed[0].width) / c.images[0].size.width;
    EXPECT_GE(scale, c.lowest - 0.002) << c.usable;
    EXPECT_LE(scale, c.highest + 0.002) << c.usable;
    for (size_t i = 0; i < placed.size(); i++) {
      const double own =
          c.images[i].least_width > 0
              ? std::max(c.drawings, double(c.images[i].least_width) / c.images[i].size.width)
              : scale;
      const cv::Size size = c.images[i].size;
      EXPECT_LE(std::abs(placed[i].width - size.width * own), size.width * 0.01 + 1)
          << c.usable << " " << i;
      EXPECT_LE(std::abs(placed[i].height - size.height * own), size.height * 0.01 + 1)
          << c.usable << " " << i;
      if (!c.apart) {
        continue;
      }
      EXPECT_EQ(outer(placed[i]) & c.usable, outer(placed[i])) << c.usable << " window " << i;
      if (i > 0) {
        const cv::Rect before = placed[i - 1];
        EXPECT_TRUE((placed[i].y == before.y && placed[i].x > before.x) || placed[i].y > before.y)
            << c.usable << " window " << i;
      }
      for (size_t j = 0; j < i; j++)
        EXPECT_TRUE((outer(placed[i]) & outer(placed[j])).empty()) << c.usable << i << j;
    }
  }
  // A frame of a million by 35 pixels stays within X's limit on a window's side.
  std::vector<WindowImage> wide = windows_for({1000000, 35});
  EXPECT_LE(lay_out_windows({0, 0, 1366, 768}, wide, openbox)[0].width + 2, 32767);
}

// Catches windows laid out again for a smaller image, for one that grew within a few seconds of
// the last layout (a source switching sizes moves them while watched), or never for one that grew.
TEST(WindowLayout, LaidOutAgainOnlyForAnImageThatGrewAndNotWithinSeconds) {
  const std::vector<cv::Size> vga(7, {640, 480}), hd(7, {1280, 720});
  EXPECT_FALSE(lay_out_again(vga, vga, std::chrono::seconds(60)));
  EXPECT_FALSE(lay_out_again(vga, hd, std::chrono::milliseconds(2900)));
  EXPECT_TRUE(lay_out_again(vga, hd, std::chrono::seconds(3)));
}

}  // namespace
