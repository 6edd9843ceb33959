// SPDX-License-Identifier: Apache-2.0
// Why a stream cannot be played: its host unknown, nothing answering at its port, or a server
// whose stream FFmpeg cannot open.
#include "demo/stream_diagnosis.hpp"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <system_error>

#include "demo/source_kind.hpp"
#include "quoted.hpp"
#include "time_limits.hpp"
#include "watchdog.hpp"

namespace {

// The error of a connection to address, given up after kConnectLimit (ETIMEDOUT), or 0 when it
// is made. A pause (Ctrl+Z) interrupts the wait, which then goes on.
int connect_error(const addrinfo& address) {
  const int fd = socket(address.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return errno;
  }
  int error = connect(fd, address.ai_addr, address.ai_addrlen) == 0 ? 0 : errno;
  const auto given_up = std::chrono::steady_clock::now() + kConnectLimit;
  while (error == EINPROGRESS) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(given_up - std::chrono::steady_clock::now());
    pollfd waiting{fd, POLLOUT, 0};
    const int ready = left.count() > 0 ? poll(&waiting, 1, static_cast<int>(left.count())) : 0;
    socklen_t length = sizeof error;
    if (ready == 1) {
      error = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 ? error : errno;
    } else if (ready == 0) {
      error = ETIMEDOUT;
    } else if (errno != EINTR) {
      error = errno;
    }
  }
  (void)close(fd);
  return error;
}

}  // namespace

std::string stream_problem(const std::string& url, Watchdog& watchdog) {
  const StreamAddress address = parse_stream_url(url);
  std::string cannot_open =
      "FFmpeg cannot open the stream; check the address, and that FFmpeg supports " +
      quoted(address.scheme);
  if (address.host.empty() || address.port.empty()) {
    return cannot_open;
  }
  const std::string host = quoted(address.host), port = quoted(address.port);
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int failure = 0;
  {
    const WaitGuard guard(
        watchdog, kLookupLimit,
        "cannot play " + quoted(url) + ": looking up " + host + " gave no answer in ",
        "; check the address, the network and its name server");
    failure = getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found);
  }
  if (failure != 0) {
    return "the host " + host + " cannot be found (" + gai_strerror(failure) +
           "); check the address and the network";
  }
  int first_error = 0;
  bool answers = false;
  for (const addrinfo* each = found; each != nullptr && !answers; each = each->ai_next) {
    const int error = connect_error(*each);
    answers = error == 0;
    first_error = first_error != 0 ? first_error : error;
  }
  freeaddrinfo(found);
  if (answers) {
    return "the server at " + host + " port " + port + " answers, but " + cannot_open;
  }
  return "nothing answers at " + host + " port " + port + " (" +
         std::generic_category().message(first_error) +
         "); check the address, and that the stream's server is running";
}
