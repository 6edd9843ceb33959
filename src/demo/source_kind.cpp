// SPDX-License-Identifier: Apache-2.0
// What camscope-demo was given to play, found once from its name; and the files of an image
// sequence's pattern.
#include "demo/source_kind.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <opencv2/imgcodecs.hpp>
#include <system_error>

#include "quoted.hpp"

namespace {

Source problem_of(const std::string& problem) {
  return Source{SourceKind::kClip, false, problem};
}

std::string sequence_problem(const std::string& pattern) {
  if (sequence_file(pattern, 0).empty()) {
    return "not an image sequence pattern camscope knows: give one number, as in frame_%04d.png";
  }
  if (first_sequence_index(pattern) < 0) {
    return "no file matches the pattern (the first would be " + quoted(sequence_file(pattern, 0)) +
           " or " + quoted(sequence_file(pattern, 1)) + "); check the name and the path";
  }
  return "";
}

}  // namespace

Source identify_source(const std::string& name) {
  if (name.empty()) {  // a script's unset variable, say: the scene is for no argument at all
    return problem_of("no name given; name a file, or give no argument for the built-in scene");
  }
  if (name.find("://") != std::string::npos) {
    return Source{SourceKind::kStream, false, ""};
  }
  struct stat info {};
  if (stat(name.c_str(), &info) != 0) {
    const int cause = errno;
    if (name.find('%') != std::string::npos) {
      return Source{SourceKind::kSequence, false, sequence_problem(name)};
    }
    return problem_of(std::generic_category().message(cause) + "; check the name and the path");
  }
  if (S_ISCHR(info.st_mode)) {
    return Source{SourceKind::kDevice, false, ""};  // which says itself why it is no camera
  }
  if (S_ISDIR(info.st_mode)) {
    return problem_of(
        "it is a directory; name a video or image file, or a pattern such as frame_%04d.png for an "
        "image sequence");
  }
  if (access(name.c_str(), R_OK) != 0) {
    return problem_of(std::generic_category().message(errno) + "; check the file's permissions");
  }
  const bool regular = S_ISREG(info.st_mode);
  if (regular && info.st_size == 0) {
    return problem_of("the file is empty; check that it was copied or recorded whole");
  }
  if (regular && cv::haveImageReader(name)) {
    return Source{SourceKind::kPicture, true, ""};
  }
  return Source{SourceKind::kClip, regular, ""};
}

std::string sequence_file(const std::string& pattern, int index) {
  const size_t percent = pattern.find('%');
  if (percent == std::string::npos) {
    return "";
  }
  size_t end = percent + 1;
  size_t width = 0;
  // No file name is longer than NAME_MAX: a wider number, which the user may type, is held there.
  for (; end < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[end])) != 0;
       end++) {
    width = std::min<size_t>(width * 10 + static_cast<size_t>(pattern[end] - '0'), NAME_MAX);
  }
  if (end >= pattern.size() || (pattern[end] != 'd' && pattern[end] != 'u') ||
      pattern.find('%', end) != std::string::npos) {
    return "";
  }
  const std::string digits = std::to_string(index);
  const std::string padding(width > digits.size() ? width - digits.size() : 0, '0');
  return pattern.substr(0, percent) + padding + digits + pattern.substr(end + 1);
}

int first_sequence_index(const std::string& pattern) {
  for (int index = 0; index <= 4; index++) {
    if (access(sequence_file(pattern, index).c_str(), F_OK) == 0) {
      return index;
    }
  }
  return -1;
}
