// SPDX-License-Identifier: Apache-2.0
// How camscope-demo names what it was given in its messages, and the error for what it cannot play.
#include "demo/source_error.hpp"

#include <algorithm>

#include "quoted.hpp"

namespace {

// One address, scheme://[userinfo@]host[:port][/path][?query][#fragment], without its secrets.
std::string without_secrets(std::string address) {
  const size_t authority = address.find("://") + 3;
  const size_t host_end = std::min(address.find_first_of("/?#", authority), address.size());
  if (const size_t at = address.rfind('@', host_end); at != std::string::npos && at >= authority) {
    address.replace(authority, at - authority, "****");
  }
  // Tokens travel in query values; the names before them still tell which stream it was.
  const size_t query = address.find('?', authority);
  for (size_t equals = address.find('=', query);
       query != std::string::npos && equals < address.find('#', query);
       equals = address.find('=', equals + 1)) {
    const size_t value_end = std::min(address.find('&', equals), address.find('#', equals));
    address.replace(equals + 1, std::min(value_end, address.size()) - equals - 1, "****");
  }
  return address;
}

}  // namespace

std::string shown_name(const std::string& name) {
  std::string shown;
  size_t from = 0;
  // Each address in the text (a name, or a line of FFmpeg's that repeats one) runs to a space.
  for (size_t mark = name.find("://"); mark != std::string::npos; mark = name.find("://", from)) {
    size_t start = mark;
    while (start > from && std::isalnum(static_cast<unsigned char>(name[start - 1])) != 0) {
      start--;
    }
    const size_t end = std::min(name.find_first_of(" \t\n'\"", mark), name.size());
    shown += name.substr(from, start - from) + without_secrets(name.substr(start, end - start));
    from = end;
  }
  return quoted(shown + name.substr(from));
}

std::string cannot_play(const std::string& name) {
  return "cannot play " + shown_name(name) + ": ";
}
