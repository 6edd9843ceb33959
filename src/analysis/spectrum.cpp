// SPDX-License-Identifier: Apache-2.0
// The centred log-magnitude Fourier spectrum of the grayscale frame, shown in "2D_FFT".
#include "spectrum.hpp"

#include <opencv2/core.hpp>

void log_magnitude_spectrum(const cv::Mat& src_g, cv::Mat& mag) {
  const int opt_rows = cv::getOptimalDFTSize(src_g.rows);
  const int opt_cols = cv::getOptimalDFTSize(src_g.cols);
  if (src_g.rows < 2 || src_g.cols < 2) {
    mag = cv::Mat::zeros(opt_rows, opt_cols, CV_8UC1);
    return;
  }

  cv::Mat padded;
  cv::copyMakeBorder(src_g, padded, 0, opt_rows - src_g.rows, 0, opt_cols - src_g.cols,
                     cv::BORDER_CONSTANT, cv::Scalar::all(0));

  cv::Mat planes[] = {cv::Mat_<float>(padded), cv::Mat::zeros(padded.size(), CV_32F)};
  cv::Mat complexImg;
  cv::merge(planes, 2, complexImg);
  cv::dft(complexImg, complexImg, 0, 0);
  cv::split(complexImg, planes);
  cv::magnitude(planes[0], planes[1], planes[0]);

  // mag shares planes[0]'s elements from here on; everything below works in place.
  mag = planes[0];
  mag += cv::Scalar::all(1);  // log(1 + m) keeps zero magnitudes at 0 instead of -inf
  cv::log(mag, mag);

  // Swapping quarters needs equal halves, so an odd last column or row is dropped.
  mag = mag(cv::Rect(0, 0, mag.cols & -2, mag.rows & -2));
  const int half_cols = mag.cols / 2;
  const int half_rows = mag.rows / 2;

  // Exchange diagonal quarters so the zero frequency moves from the corner to the centre.
  cv::Mat tmp;
  cv::Mat q0(mag, cv::Rect(0, 0, half_cols, half_rows));
  cv::Mat q1(mag, cv::Rect(half_cols, 0, half_cols, half_rows));
  cv::Mat q2(mag, cv::Rect(0, half_rows, half_cols, half_rows));
  cv::Mat q3(mag, cv::Rect(half_cols, half_rows, half_cols, half_rows));
  q0.copyTo(tmp);
  q3.copyTo(q0);
  tmp.copyTo(q3);
  q1.copyTo(tmp);
  q2.copyTo(q1);
  tmp.copyTo(q2);

  cv::normalize(mag, mag, 0.0, 1.0, cv::NORM_MINMAX, -1, cv::noArray());
  mag.convertTo(mag, CV_8U, 255.0, 0.0);
}
