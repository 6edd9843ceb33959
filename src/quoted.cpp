// SPDX-License-Identifier: Apache-2.0
// Text from outside (a file name, an option, a server's answer) made safe to print in a message.
#include "quoted.hpp"

#include <cstdint>

namespace {

// The length of the valid UTF-8 character at text[at] that is no control character (C0, DEL or
// C1), or 0.
size_t printable_character(const std::string& text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead >= 0x20 && lead < 0x7f) {
    return 1;
  }
  const size_t length = lead >= 0xc2 && lead <= 0xdf   ? 2
                        : lead >= 0xe0 && lead <= 0xef ? 3
                        : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                       : 0;
  if (length == 0 || at + length > text.size()) {
    return 0;
  }
  std::uint32_t code = lead & (0x7f >> length);
  for (size_t i = 1; i < length; i++) {
    if ((byte(at + i) & 0xc0) != 0x80) {
      return 0;
    }
    code = (code << 6) | (byte(at + i) & 0x3f);
  }
  const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool valid = code >= smallest[length] && code <= 0x10ffff &&
                     (code < 0xd800 || code > 0xdfff) && (code < 0x80 || code > 0x9f);
  return valid ? length : 0;
}

}  // namespace

std::string quoted(const std::string& text) {
  bool plain = true;
  for (size_t at = 0; plain && at < text.size();) {
    const size_t length = printable_character(text, at);
    plain = length > 0;
    at += length;
  }
  if (plain) {
    return text;
  }
  std::string result = "$'";
  for (size_t at = 0; at < text.size();) {
    const size_t length = printable_character(text, at);
    const char c = text[at];
    if (length > 0) {
      result += (c == '\'' || c == '\\') ? std::string("\\") + c : text.substr(at, length);
      at += length;
      continue;
    }
    static const char kNamed[] = "\a\b\t\n\v\f\r\x1b";
    static const char kLetters[] = "abtnvfrE";
    const std::string named(kNamed);
    if (const size_t which = named.find(c); c != '\0' && which != std::string::npos) {
      result += std::string("\\") + kLetters[which];
    } else {
      static const char kHex[] = "0123456789abcdef";
      const auto value = static_cast<unsigned char>(c);
      result += std::string("\\x") + kHex[value >> 4] + kHex[value & 15];
    }
    at++;
  }
  return result + "'";
}
