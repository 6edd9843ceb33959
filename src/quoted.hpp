// SPDX-License-Identifier: Apache-2.0
// Text from outside (a file name, an option, a server's answer) made safe to print in a message.
#pragma once

#include <string>

// text as it is when it holds only printable characters of valid UTF-8; else quoted as a shell
// quotes it, $'...', with each control character, invalid byte, quote and backslash escaped (\n,
// \E, \x9b, \', \\), and each of Unicode's invisible format and separator characters too (\u202e,
// \u2028, \u200b), so that a message stays one line, shows the text in its order, and no byte of
// it reaches the terminal as a command.
std::string quoted(const std::string& text);
