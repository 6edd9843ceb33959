// SPDX-License-Identifier: Apache-2.0
// The choice of a window system for Qt through fake probes, and the real probes at their edges: a
// server that takes the connection and never answers, and Qt without its Wayland plug-in.
#include "window_system.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "signals.hpp"

namespace {

using std::chrono::milliseconds;

void set_or_unset(const char* name, const char* value) {
  (void)(value ? setenv(name, value, 1) : unsetenv(name));  // NOLINT(concurrency-mt-unsafe)
}

// Catches the session's own window system not tried first, in either kind of session, or the other
// one not tried next; a window system taken whose Qt platform is missing (Qt would abort), or the
// missing package not named; a chosen platform that Qt lacks handed to Qt, or refused without the
// list of those it has; a chosen X or Wayland taken unchecked; and a working entry of a list, or a
// platform camscope cannot check, refused.
TEST(WindowSystem, SessionFirstThenTheOtherAndOnlyWhatQtHas) {
  const std::set<std::string> both{"wayland", "xcb"};
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
      {"x11", nullptr, false, true, both, "wayland"},
      {"wayland", nullptr, true, true, {"xcb"}, "xcb"},
      {"wayland",
       nullptr,
       false,
       true,
       {"xcb"},
       "!(Wayland answers, but Qt's platform for it is not installed (Debian package qtwayland5); "
       "no X); run camscope in a desktop session"},
      {"x11", nullptr, false, false, both, "!no window system can be reached (no X; no Wayland)"},
      {"x11", "xcbb", true, true, both,
       "!QT_QPA_PLATFORM=xcbb: Qt has no platform \"xcbb\" (it has wayland, xcb)"},
      {"wayland", "xcb", false, true, both, "!QT_QPA_PLATFORM=xcb: no X; run camscope"},
      {"x11", "Wayland:option", true, false, both, "!QT_QPA_PLATFORM=Wayland:option: no Wayland"},
      {"x11", "wayland;xcb", true, false, both, "wayland;xcb"},
      {"x11", "offscreen", false, false, {"offscreen"}, "offscreen"}};
  for (const auto& c : cases) {
    set_or_unset("XDG_SESSION_TYPE", c.session);
    set_or_unset("QT_QPA_PLATFORM", c.chosen);
    const WindowSystemProbes probes{[&] { return c.x ? "" : "no X"; },
                                    [&] { return c.wayland ? "" : "no Wayland"; }, c.qt};
    std::ostringstream err;
    const bool ready = prepare_window_system("camscope", err, probes);
    const std::string expected = c.expected;
    if (expected[0] == '!') {
      EXPECT_FALSE(ready) << expected;
      EXPECT_THAT(err.str(), ::testing::StartsWith("camscope: "));
      EXPECT_THAT(err.str(), ::testing::HasSubstr(expected.substr(1)));
    } else {
      EXPECT_TRUE(ready) << err.str();
      EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), c.expected);  // NOLINT(concurrency-mt-unsafe)
    }
  }
  set_or_unset("QT_QPA_PLATFORM", nullptr);
}

// Listens where a display server would, and takes connections without ever answering.
int listening_socket(const sockaddr* address, socklen_t length) {
  const int fd = socket(address->sa_family, SOCK_STREAM, 0);
  return fd >= 0 && bind(fd, address, length) == 0 && listen(fd, 4) == 0 ? fd : (close(fd), -1);
}

// Catches a probe that waits without end for a server that took the connection (an X server or a
// compositor that is stopped or hung), or gives up without naming it.
TEST(WindowSystem, AServerThatNeverAnswersIsGivenUpWithItsName) {
  install_signal_handling("camscope");
  sockaddr_in tcp{};
  tcp.sin_family = AF_INET;
  tcp.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int x_fd = -1, display = 40;
  for (; x_fd < 0 && display < 100; display++) {  // display N listens on TCP port 6000 + N
    tcp.sin_port = htons(static_cast<uint16_t>(6000 + display));
    x_fd = listening_socket(reinterpret_cast<sockaddr*>(&tcp), sizeof tcp);
  }
  ASSERT_GE(x_fd, 0);
  const std::string x_display = "127.0.0.1:" + std::to_string(display - 1);
  set_or_unset("DISPLAY", x_display.c_str());
  EXPECT_EXIT(x_answers(milliseconds(300)), ::testing::ExitedWithCode(1),
              "^camscope: X display \"" + x_display +
                  "\" does not answer \\(no reply in 0\\.[3-9] s\\); check that its server");

  sockaddr_un unix_address{};
  unix_address.sun_family = AF_UNIX;
  const std::string path = ::testing::TempDir() + "camscope-hung-" + std::to_string(getpid());
  path.copy(unix_address.sun_path, sizeof unix_address.sun_path - 1);
  const int wayland_fd =
      listening_socket(reinterpret_cast<sockaddr*>(&unix_address), sizeof unix_address);
  ASSERT_GE(wayland_fd, 0);
  set_or_unset("WAYLAND_DISPLAY", path.c_str());
  EXPECT_EXIT(
      wayland_answers(milliseconds(300)), ::testing::ExitedWithCode(1),
      "^camscope: Wayland socket " + path + " does not answer \\(no reply in 0\\.[3-9] s\\)");
  close(x_fd);
  close(wayland_fd);
  unlink(path.c_str());
}

// Catches platforms read off anything but the plug-ins' own keys, or off other folders than Qt's:
// a folder with Qt's X plug-in alone offers xcb and no Wayland.
TEST(WindowSystem, QtOffersThePlatformsOfThePluginsInItsFolders) {
  const std::set<std::string> installed = qt_platforms_in(qt_platform_folders());
  EXPECT_EQ(installed.count("xcb") + installed.count("wayland") + installed.count("offscreen"), 3U);
  const std::string folder =
      ::testing::TempDir() + "camscope-platforms-" + std::to_string(getpid());
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  ASSERT_EQ(symlink((qt_platform_folders().back() + "/libqxcb.so").c_str(),
                    (folder + "/libqxcb.so").c_str()),
            0);
  EXPECT_EQ(qt_platforms_in({folder}), std::set<std::string>{"xcb"});
  unlink((folder + "/libqxcb.so").c_str());
  rmdir(folder.c_str());
}

}  // namespace
