// SPDX-License-Identifier: Apache-2.0
// Reading the environment variables that decide where the windows open.
#pragma once

#include <string>
#include <vector>

// The variable's value, "" when it is not set.
std::string value_of(const char* name);

// Whether the variable is set and not empty: an empty one counts as unset, as Qt and the window
// system libraries treat it.
bool is_set(const char* name);

// text cut at each separator: "a;b;" gives "a", "b" and "".
std::vector<std::string> split(const std::string& text, char separator);
