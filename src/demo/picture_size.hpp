// SPDX-License-Identifier: Apache-2.0
// A picture's size read off its header, before anything decodes it.
#pragma once

#include <opencv2/core.hpp>
#include <optional>
#include <string>

// The width and height that the picture file at path declares, for PNG, JPEG, WebP, BMP, TIFF and
// the Netpbm formats; nothing for other formats or a header that cannot be read. A few hundred
// bytes of a PNG can declare a picture of gigabytes: this lets camscope refuse it undecoded.
std::optional<cv::Size> picture_size(const std::string& path);
