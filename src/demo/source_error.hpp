// SPDX-License-Identifier: Apache-2.0
// How camscope-demo names what it was given in its messages, and the error for what it cannot play.
#pragma once

#include <stdexcept>
#include <string>

// name as messages show it: quoted (see quoted), and any address in it without its secrets, the
// user information and every query value as ****: rtsp://****@cam.local/live?token=****.
std::string shown_name(const std::string& name);

// "cannot play NAME: ", the start of every message about a source that cannot be played.
std::string cannot_play(const std::string& name);

// The source cannot be played: cannot_play(name) and problem, which says why and what the user can
// do.
class SourceError : public std::runtime_error {
 public:
  SourceError(const std::string& name, const std::string& problem)
      : std::runtime_error(cannot_play(name) + problem) {}
};
