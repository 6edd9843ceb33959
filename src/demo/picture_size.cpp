// SPDX-License-Identifier: Apache-2.0
// A picture's size read off its header, before anything decodes it.
#include "demo/picture_size.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

std::uint32_t big_endian(const Bytes& b, size_t at, int length) {
  std::uint32_t value = 0;
  for (int i = 0; i < length; i++) {
    value = (value << 8) | b.at(at + i);
  }
  return value;
}

std::uint32_t little_endian(const Bytes& b, size_t at, int length) {
  std::uint32_t value = 0;
  for (int i = length - 1; i >= 0; i--) {
    value = (value << 8) | b.at(at + i);
  }
  return value;
}

bool starts_with(const Bytes& b, const std::string& text, size_t at = 0) {
  return b.size() >= at + text.size() &&
         std::equal(
             text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at),
             [](char c, unsigned char byte) { return static_cast<unsigned char>(c) == byte; });
}

std::optional<cv::Size> size_of(std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
    return std::nullopt;
  }
  return cv::Size(static_cast<int>(width), static_cast<int>(height));
}

// The first start-of-frame segment's size; the segments before it are skipped by their lengths.
std::optional<cv::Size> jpeg_size(std::ifstream& file) {
  for (int markers = 0; markers < 1000 && file; markers++) {
    if (file.get() != 0xff) {
      return std::nullopt;
    }
    int marker = file.get();
    while (marker == 0xff) {  // fill bytes
      marker = file.get();
    }
    if (marker == 0xd8 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7)) {
      continue;  // no length
    }
    Bytes length(2);
    file.read(reinterpret_cast<char*>(length.data()), 2);
    const std::uint32_t segment = big_endian(length, 0, 2);
    const bool start_of_frame =
        marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
    if (start_of_frame) {
      Bytes frame(5);
      file.read(reinterpret_cast<char*>(frame.data()), 5);
      return file ? size_of(big_endian(frame, 3, 2), big_endian(frame, 1, 2)) : std::nullopt;
    }
    if (segment < 2) {
      return std::nullopt;
    }
    file.seekg(segment - 2, std::ios::cur);
  }
  return std::nullopt;
}

// Width and height among the first entries of the first image file directory.
std::optional<cv::Size> tiff_size(std::ifstream& file, bool little) {
  const auto number = [&](const Bytes& b, size_t at, int length) {
    return little ? little_endian(b, at, length) : big_endian(b, at, length);
  };
  Bytes header(8);
  file.seekg(0);
  file.read(reinterpret_cast<char*>(header.data()), 8);
  file.seekg(number(header, 4, 4));
  Bytes count(2);
  file.read(reinterpret_cast<char*>(count.data()), 2);
  std::uint32_t width = 0, height = 0;
  for (std::uint32_t entry = 0; entry < number(count, 0, 2) && entry < 100 && file; entry++) {
    Bytes e(12);
    file.read(reinterpret_cast<char*>(e.data()), 12);
    const std::uint32_t tag = number(e, 0, 2), type = number(e, 2, 2);
    const std::uint32_t value = type == 3 ? number(e, 8, 2) : number(e, 8, 4);  // SHORT or LONG
    if (tag == 256) {
      width = value;
    } else if (tag == 257) {
      height = value;
    }
  }
  return file ? size_of(width, height) : std::nullopt;
}

// The two numbers after the magic number of a Netpbm header, past blanks and # comments.
std::optional<cv::Size> netpbm_size(std::ifstream& file) {
  file.seekg(2);
  std::uint32_t numbers[2] = {0, 0};
  for (std::uint32_t& number : numbers) {
    int c = file.get();
    while (std::isspace(c) != 0 || c == '#') {
      if (c == '#') {
        while (c != '\n' && c != EOF) {
          c = file.get();
        }
      }
      c = file.get();
    }
    if (std::isdigit(c) == 0) {
      return std::nullopt;
    }
    for (; std::isdigit(c) != 0 && number < 100000000; c = file.get()) {
      number = number * 10 + static_cast<std::uint32_t>(c - '0');
    }
  }
  return size_of(numbers[0], numbers[1]);
}

}  // namespace

std::optional<cv::Size> picture_size(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  Bytes head(32, 0);
  file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(file.gcount()));
  file.clear();
  try {
    if (starts_with(head, "\x89PNG\r\n\x1a\n") && starts_with(head, "IHDR", 12)) {
      return size_of(big_endian(head, 16, 4), big_endian(head, 20, 4));
    }
    if (starts_with(head, "\xff\xd8")) {
      file.seekg(0);
      return jpeg_size(file);
    }
    if (starts_with(head, "RIFF") && starts_with(head, "WEBP", 8)) {
      if (starts_with(head, "VP8X", 12)) {
        return size_of(little_endian(head, 24, 3) + 1, little_endian(head, 27, 3) + 1);
      }
      if (starts_with(head, "VP8 ", 12)) {
        return size_of(little_endian(head, 26, 2) & 0x3fff, little_endian(head, 28, 2) & 0x3fff);
      }
      if (starts_with(head, "VP8L", 12)) {
        const std::uint32_t bits = little_endian(head, 21, 4);
        return size_of((bits & 0x3fff) + 1, ((bits >> 14) & 0x3fff) + 1);
      }
    }
    if (starts_with(head, "BM")) {
      if (little_endian(head, 14, 4) == 12) {  // the old OS/2 header
        return size_of(little_endian(head, 18, 2), little_endian(head, 20, 2));
      }
      const auto height = static_cast<std::int32_t>(little_endian(head, 22, 4));
      return size_of(
          little_endian(head, 18, 4),
          static_cast<std::uint32_t>(height < 0 ? -static_cast<std::int64_t>(height) : height));
    }
    if (starts_with(head, std::string("II*\0", 4)) || starts_with(head, std::string("MM\0*", 4))) {
      return tiff_size(file, head[0] == 'I');
    }
    if (head.size() >= 2 && head[0] == 'P' &&
        std::string("123456Ff").find(static_cast<char>(head[1])) != std::string::npos) {
      return netpbm_size(file);
    }
  } catch (const std::out_of_range&) {  // a header cut short
  }
  return std::nullopt;
}
