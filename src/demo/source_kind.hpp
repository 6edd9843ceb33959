// SPDX-License-Identifier: Apache-2.0
// What camscope-demo was given to play, found once from its name; and the files of an image
// sequence's pattern.
#pragma once

#include <string>

enum class SourceKind {
  kDevice,    // a character device: a camera such as /dev/video2
  kPicture,   // a regular file that OpenCV reads as a picture
  kSequence,  // a pattern with one number, frame_%04d.png, that is no file itself
  kStream,    // an address: rtsp://, http://, ...
  kClip,      // anything else: a video file, a FIFO, or a name that leads nowhere
};

struct Source {
  SourceKind kind;
  bool regular_file;    // a file on a disk, not a FIFO, a device or an address
  std::string problem;  // why it cannot be played, found before any decoder tries; "" if nothing
};

// Looks at the name once (one stat): what it is, and whether it is missing, a directory,
// unreadable, empty, or a pattern whose sequence has no file; an empty name is refused.
Source identify_source(const std::string& name);

// The name of the file with this index in an image sequence with one number, as frame_%04d.png
// gives frame_0007.png for 7; "" for a pattern of any other kind. The number is formatted here, so
// that the user's text is never a printf format; a width wider than any file name is held at the
// longest name.
std::string sequence_file(const std::string& pattern, int index);

// The index of the first file of a sequence: the capture back-ends' convention, the first of 0 to
// 4 that exists; -1 when none does.
int first_sequence_index(const std::string& pattern);
