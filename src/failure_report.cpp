// SPDX-License-Identifier: Apache-2.0
// Turns a failure or a stop request that ended the run into a message and an exit status.
#include "failure_report.hpp"

#include <opencv2/core.hpp>

#include "signals.hpp"

int report_failure(const std::exception_ptr& failure, const char* program, std::ostream& err) {
  try {
    std::rethrow_exception(failure);
  } catch (const StopRequest& stop) {
    err << program << ": stopped by SIG" << sigabbrev_np(stop.signo) << "\n";
    return 128 + stop.signo;
  } catch (const cv::Exception& e) {
    err << program << ": OpenCV failed: " << e.what() << "\n";
  } catch (const std::exception& e) {
    err << program << ": " << e.what() << "\n";
  } catch (...) {
    err << program << ": ended by an unknown error; please report this as a bug\n";
  }
  return 1;
}
