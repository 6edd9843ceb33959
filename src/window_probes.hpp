// SPDX-License-Identifier: Apache-2.0
// Whether the X server and the Wayland compositor answer, asked through their own libraries.
#pragma once

#include <chrono>
#include <string>

struct xcb_connection_t;
class Watchdog;

// The probe's connection to the X server, kept open for as long as the windows are: an X server
// with no other client (Xvfb, say) starts afresh when its last client leaves, and turns away
// whoever connects meanwhile, such as Qt a moment after the probe.
class XConnection {
 public:
  XConnection() = default;
  ~XConnection();
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;
  void keep(xcb_connection_t* connection);

 private:
  xcb_connection_t* connection_ = nullptr;
};

// The X display and the Wayland socket that the environment points at, as the messages name them:
// X display ":0"; Wayland socket /run/user/1000/wayland-0.
std::string x_display();
std::string wayland_socket();

// "" when the X server of DISPLAY answers, its connection then going to kept; else what went
// wrong. A server that does not answer within limit has the watchdog end the process with status 1
// and a message naming it.
std::string x_answers(std::chrono::milliseconds limit, Watchdog& watchdog, XConnection& kept);

// "" when the Wayland compositor answers, else what went wrong; a compositor that does not answer
// within limit ends the process as above. A socket inherited in WAYLAND_SOCKET belongs to the one
// client it was made for: it is only checked, never spoken over, so that Qt finds it as it was.
std::string wayland_answers(std::chrono::milliseconds limit, Watchdog& watchdog);
