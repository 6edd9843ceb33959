// SPDX-License-Identifier: Apache-2.0
// Turns a failure or a stop request that ended the run into a message and an exit status.
#pragma once

#include <exception>
#include <ostream>

// Writes the message for what ended the run to err, after the program's name, and returns the exit
// status: 128 plus the signal's number for a StopRequest (see ending_with), else 1.
int report_failure(const std::exception_ptr& failure, const char* program, std::ostream& err);
