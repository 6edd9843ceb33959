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

#include "qt_platforms.hpp"

namespace {

void set_or_unset(const char* name, const char* value) {
  (void)(value ? setenv(name, value, 1) : unsetenv(name));  // NOLINT(concurrency-mt-unsafe)
}

// Catches the session's own window system not tried first, in either kind of session, or the other
// one not tried next; a window system taken whose Qt platform is missing (Qt would abort), or the
// missing package not named; a chosen platform that Qt lacks handed to Qt, or refused without the
// list of those it has; a chosen X or Wayland taken unchecked; a working entry of a list, or a
// platform camscope cannot check, refused; and platforms read off anything but the plug-ins' own
// keys in Qt's folders: a folder with Qt's X plug-in alone offers xcb and no Wayland.
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
       "no X); run camscope in a desktop session"},
      {"x11", "Wayland:option", true, false, both, "!QT_QPA_PLATFORM=Wayland:option: no Wayland"},
      {"x11", "wayland;xcb", true, false, both, "wayland;xcb"},
      {"x11", "offscreen", false, false, {"offscreen"}, "offscreen"}};
  for (const auto& c : cases) {
    set_or_unset("XDG_SESSION_TYPE", c.session);
    set_or_unset("QT_QPA_PLATFORM", c.chosen);
    const WindowSystemProbes probes{[&] { return c.x ? "" : "no X"; },
                                    [&] { return c.wayland ? "" : "no Wayland"; }, c.qt};
    const std::string expected = c.expected;
    try {
      prepare_window_system("camscope", probes);
      EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), c.expected);  // NOLINT(concurrency-mt-unsafe)
    } catch (const WindowSystemError& e) {
      EXPECT_EQ(expected[0], '!') << e.what();
      EXPECT_THAT(e.what(), ::testing::HasSubstr(expected.substr(1)));
    }
  }
  set_or_unset("QT_QPA_PLATFORM", nullptr);
}

}  // namespace
