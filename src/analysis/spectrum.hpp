// SPDX-License-Identifier: Apache-2.0
// The centred log-magnitude Fourier spectrum of the grayscale frame, shown in "2D_FFT".
#pragma once

#include <opencv2/core.hpp>

// Makes mag, an 8-bit image of src_g's spectrum padded to sizes the transform is fast on, cropped
// to even counts, with the zero frequency in the centre and stretched over 0..255. A frame with
// fewer than 2 rows or columns has no quarters to swap: mag is then black, of the padded size.
void log_magnitude_spectrum(const cv::Mat& src_g, cv::Mat& mag);
