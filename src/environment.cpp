// SPDX-License-Identifier: Apache-2.0
// Reading the environment variables that decide where the windows open.
#include "environment.hpp"

#include <algorithm>
#include <cstdlib>

// NOLINT below: getenv is not thread-safe, but nothing in camscope changes these variables while
// another thread could read them: the choice of a window system sets QT_QPA_PLATFORM before Qt
// starts.
std::string value_of(const char* name) {
  const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
  return value == nullptr ? std::string() : std::string(value);
}

bool is_set(const char* name) {
  const char* value = std::getenv(name);  // NOLINT(concurrency-mt-unsafe)
  return value != nullptr && *value != '\0';
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  for (size_t from = 0; from <= text.size();) {
    const size_t end = std::min(text.find(separator, from), text.size());
    parts.push_back(text.substr(from, end - from));
    from = end + 1;
  }
  return parts;
}
