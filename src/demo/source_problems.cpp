// SPDX-License-Identifier: Apache-2.0
// Why a file, image sequence or stream cannot be played, in words that tell the user what to do.
#include "demo/source_problems.hpp"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <map>
#include <system_error>

namespace {

bool is_url(const std::string& name) {
  return name.find("://") != std::string::npos;
}

bool is_pattern(const std::string& name) {
  return name.find('%') != std::string::npos;
}

// The name of file index of an image sequence pattern with one number, as frame_%04d.png, or ""
// for any other pattern. The user's text is never handed to a printf as its format.
std::string sequence_file(const std::string& pattern, int index) {
  const size_t percent = pattern.find('%');
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

// Why no file of an image sequence can be found, or "" when one is, or when the pattern is not one
// with a single number (OpenCV is left to judge it). Looked at before OpenCV tries the pattern,
// which on a very wide number spends seconds before it fails.
std::string missing_sequence(const std::string& pattern) {
  if (sequence_file(pattern, 0).empty()) {
    return "";
  }
  // The capture back-ends look for a first file numbered 0 to 4.
  for (int index = 0; index <= 4; index++) {
    if (access(sequence_file(pattern, index).c_str(), F_OK) == 0) {
      return "";
    }
  }
  return "no file matches the pattern (the first would be " + sequence_file(pattern, 0) + " or " +
         sequence_file(pattern, 1) + "); check the name and the path";
}

// The error of a connection to host at port, given up after 3 s (ETIMEDOUT), or 0 when it is made.
int connect_error(const addrinfo& address) {
  const int fd = socket(address.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return errno;
  }
  int error = connect(fd, address.ai_addr, address.ai_addrlen) == 0 ? 0 : errno;
  if (error == EINPROGRESS) {
    pollfd waiting{fd, POLLOUT, 0};
    socklen_t length = sizeof error;
    error = poll(&waiting, 1, 3000) != 1                                 ? ETIMEDOUT
            : getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 ? errno
                                                                         : error;
  }
  (void)close(fd);
  return error;
}

// What answers at a stream's address: nothing, an unknown host, or a server whose stream OpenCV
// cannot open.
std::string url_problem(const std::string& url) {
  static const std::map<std::string, std::string> default_ports{
      {"http", "80"}, {"https", "443"}, {"rtsp", "554"}, {"rtsps", "322"}, {"rtmp", "1935"}};
  const size_t scheme_end = url.find("://");
  const std::string scheme = url.substr(0, scheme_end);
  std::string authority =
      url.substr(scheme_end + 3, url.find('/', scheme_end + 3) - scheme_end - 3);
  authority = authority.substr(authority.find('@') + 1);  // after any user:password@
  const size_t colon = authority.rfind(':');
  const bool has_port =
      colon != std::string::npos && authority.find(']', colon) == std::string::npos;
  std::string host = has_port ? authority.substr(0, colon) : authority;
  if (host.size() > 1 && host.front() == '[') {
    host = host.substr(1, host.size() - 2);  // an IPv6 address
  }
  const auto known = default_ports.find(scheme);
  const std::string port = has_port                       ? authority.substr(colon + 1)
                           : known != default_ports.end() ? known->second
                                                          : "";
  std::string cannot_open =
      "OpenCV cannot open the stream; check the address, and that the capture back-ends OpenCV "
      "uses here (FFmpeg, GStreamer) support " +
      scheme;
  if (host.empty() || port.empty()) {
    return cannot_open;
  }
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (const int failure = getaddrinfo(host.c_str(), port.c_str(), &hints, &found); failure != 0) {
    return "the host " + host + " cannot be found (" + gai_strerror(failure) +
           "); check the address and the network";
  }
  const int error = connect_error(*found);
  freeaddrinfo(found);
  if (error != 0) {
    return "nothing answers at " + host + " port " + port + " (" +
           std::generic_category().message(error) +
           "); check the address, and that the stream's server is running";
  }
  return "the server at " + host + " port " + port + " answers, but " + cannot_open;
}

}  // namespace

std::string file_problem(const std::string& name) {
  struct stat info {};
  if (stat(name.c_str(), &info) != 0) {
    const int cause = errno;
    if (is_url(name)) {
      return "";
    }
    if (is_pattern(name)) {
      return missing_sequence(name);
    }
    return std::generic_category().message(cause) + "; check the name and the path";
  }
  if (S_ISDIR(info.st_mode)) {
    return "it is a directory; name a video or image file, or a pattern such as "
           "frame_%04d.png for an image sequence";
  }
  if (access(name.c_str(), R_OK) != 0) {
    return std::generic_category().message(errno) + "; check the file's permissions";
  }
  if (S_ISREG(info.st_mode) && info.st_size == 0) {
    return "the file is empty; check that it was copied or recorded whole";
  }
  return "";
}

std::string open_failure(const std::string& name) {
  std::string problem;
  if (is_url(name)) {
    problem = url_problem(name);
  } else if (is_pattern(name) && sequence_file(name, 0).empty()) {
    problem = "not an image sequence pattern OpenCV knows: give one number, as in frame_%04d.png";
  }
  return !problem.empty()
             ? problem
             : "OpenCV cannot open it as a video or image: not a format it knows, or "
               "one whose codec is not installed; convert it (for example with ffmpeg) "
               "or try another file";
}
