// SPDX-License-Identifier: Apache-2.0
// Turns a failure that ended the run into a message for the user and an exit status.
#pragma once

#include <exception>
#include <ostream>

// Writes the message for a failure that ended the run to err and returns the exit status, 1.
int report_failure(const std::exception_ptr& failure, std::ostream& err);
