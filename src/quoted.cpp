// SPDX-License-Identifier: Apache-2.0
// Text from outside (a file name, an option, a server's answer) made safe to print in a message.
#include "quoted.hpp"

#include <QChar>
#include <QString>
#include <QVector>
#include <cstdio>

namespace {

// The length in bytes of the character of valid UTF-8 at text[at], 0 for an invalid byte, and its
// code: what Qt decodes from it and encodes back unchanged (no replacement character).
size_t character_at(const std::string& text, size_t at, uint& code) {
  for (size_t length = 1; length <= 4 && at + length <= text.size(); length++) {
    const QByteArray bytes(text.data() + at, static_cast<int>(length));
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() == bytes) {
      code = decoded.toUcs4().value(0);
      return length;
    }
  }
  return 0;
}

// Control characters, and Unicode's format and separator characters, which change how the text
// around them shows: U+202E turns "a\u202egnp.exe" into "aexe.png".
bool shows_as_itself(uint code) {
  switch (QChar::category(code)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
      return false;
    default:
      return true;
  }
}

std::string escaped(const char* format, uint code) {
  char text[16];
  (void)std::snprintf(text, sizeof text, format, code);
  return text;
}

}  // namespace

std::string quoted(const std::string& text) {
  // One pass: the text as it would stand between $'...', and whether it needs them at all.
  std::string inside;
  bool plain = true;
  uint code = 0;
  size_t length = 0;
  for (size_t at = 0; at < text.size(); at += length) {
    length = character_at(text, at, code);
    const char first = text[at];
    const bool shown = length > 0 && shows_as_itself(code);
    plain = plain && shown;
    static const std::string kNamed = "\a\b\t\n\v\f\r\x1b";
    static const char kLetters[] = "abtnvfrE";
    if (shown) {
      inside +=
          first == '\'' || first == '\\' ? std::string("\\") + first : text.substr(at, length);
    } else if (length > 0 && code >= 0xa0) {
      inside += escaped(code > 0xffff ? "\\U%08x" : "\\u%04x", code);
    } else {
      length = 1;  // a control character or an invalid byte; a C1 control byte by byte
      const size_t which = kNamed.find(first);
      inside += first != '\0' && which != kNamed.npos
                    ? std::string("\\") + kLetters[which]
                    : escaped("\\x%02x", static_cast<unsigned char>(first));
    }
  }
  if (plain) {
    return text.empty() ? "''" : text;  // an empty name shown as one
  }
  return "$'" + inside + "'";
}
