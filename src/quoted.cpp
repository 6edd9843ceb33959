// SPDX-License-Identifier: Apache-2.0
// Text from outside (a file name, an option, a server's answer) made safe to print in a message.
#include "quoted.hpp"

#include <cstdint>

namespace {

// A character of valid UTF-8 at text[at]: its length in bytes (0 for an invalid byte) and its code.
struct Character {
  size_t length;
  std::uint32_t code;
};

Character character_at(const std::string& text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  const size_t length = lead < 0x80                    ? 1
                        : lead >= 0xc2 && lead <= 0xdf ? 2
                        : lead >= 0xe0 && lead <= 0xef ? 3
                        : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                       : 0;
  if (length == 0 || at + length > text.size()) {
    return {0, 0};
  }
  std::uint32_t code = length == 1 ? lead : lead & (0x7f >> length);
  for (size_t i = 1; i < length; i++) {
    if ((byte(at + i) & 0xc0) != 0x80) {
      return {0, 0};
    }
    code = (code << 6) | (byte(at + i) & 0x3f);
  }
  const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool valid =
      code >= smallest[length] && code <= 0x10ffff && (code < 0xd800 || code > 0xdfff);
  return valid ? Character{length, code} : Character{0, 0};
}

bool is_control(std::uint32_t code) {
  return code < 0x20 || (code >= 0x7f && code <= 0x9f);
}

// Unicode's format and separator characters that change how the text around them shows: the soft
// hyphen, the bidirectional controls (U+202E turns "a\u202egnp.exe" into "aexe.png"), the
// zero-width ones, the line and paragraph separators, and the byte order mark.
bool is_invisible(std::uint32_t code) {
  const std::uint32_t ranges[][2] = {{0xad, 0xad},     {0x61c, 0x61c},   {0x180e, 0x180e},
                                     {0x200b, 0x200f}, {0x2028, 0x202e}, {0x2060, 0x206f},
                                     {0xfeff, 0xfeff}, {0xfff9, 0xfffb}, {0xe0000, 0xe0fff}};
  for (const auto& range : ranges) {
    if (code >= range[0] && code <= range[1]) {
      return true;
    }
  }
  return false;
}

std::string hex(std::uint32_t value, int digits) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    text += kHex[(value >> shift) & 15];
  }
  return text;
}

}  // namespace

std::string quoted(const std::string& text) {
  bool plain = true;
  for (size_t at = 0; plain && at < text.size();) {
    const Character c = character_at(text, at);
    plain = c.length > 0 && !is_control(c.code) && !is_invisible(c.code);
    at += c.length;
  }
  if (plain) {
    return text.empty() ? "''" : text;  // an empty name shown as one
  }
  std::string result = "$'";
  for (size_t at = 0; at < text.size();) {
    const Character c = character_at(text, at);
    const char first = text[at];
    static const char kNamed[] = "\a\b\t\n\v\f\r\x1b";
    static const char kLetters[] = "abtnvfrE";
    const std::string named(kNamed);
    if (c.length > 0 && is_invisible(c.code)) {
      result += c.code > 0xffff ? "\\U" + hex(c.code, 8) : "\\u" + hex(c.code, 4);
    } else if (c.length > 0 && !is_control(c.code)) {
      result +=
          first == '\'' || first == '\\' ? std::string("\\") + first : text.substr(at, c.length);
    } else if (const size_t which = named.find(first);
               first != '\0' && which != std::string::npos) {
      result += std::string("\\") + kLetters[which];
    } else {
      result += "\\x" + hex(static_cast<unsigned char>(first), 2);
      at++;
      continue;
    }
    at += c.length > 0 ? c.length : 1;
  }
  return result + "'";
}
