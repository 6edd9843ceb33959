// SPDX-License-Identifier: Apache-2.0
// Why a file, image sequence or stream cannot be played, in words that tell the user what to do.
#pragma once

#include <string>

// Why the named file cannot be read (missing, a directory, unreadable, empty), or the named image
// sequence has no file, or "" when nothing stands in the way. URLs are not files: "" for them.
std::string file_problem(const std::string& name);

// Why OpenCV could not open name: a stream whose server refuses or is unknown, a pattern of a kind
// OpenCV does not know, or a format it does not know.
std::string open_failure(const std::string& name);
