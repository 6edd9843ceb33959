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
  return quoted(name.find("://") != std::string::npos ? without_secrets(name) : name);
}

std::string cannot_play(const std::string& name) {
  return "cannot play " + shown_name(name) + ": ";
}
