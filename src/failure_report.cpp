// SPDX-License-Identifier: Apache-2.0
// Turns a failure that ended the run into a message for the user and an exit status.
#include "failure_report.hpp"

#include <opencv2/core.hpp>

int report_failure(const std::exception_ptr& failure, std::ostream& err) {
  try {
    std::rethrow_exception(failure);
  } catch (const cv::Exception& e) {
    err << "camscope: OpenCV failed: " << e.what() << "\n";
  } catch (const std::exception& e) {
    err << "camscope: " << e.what() << "\n";
  } catch (...) {
    err << "camscope: ended by an unknown error; please report this as a bug\n";
  }
  return 1;
}
