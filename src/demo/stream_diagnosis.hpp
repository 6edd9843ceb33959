// SPDX-License-Identifier: Apache-2.0
// Why a stream cannot be played: its host unknown, nothing answering at its port, or a server
// whose stream FFmpeg cannot open.
#pragma once

#include <string>

class Watchdog;

// Why FFmpeg could not open the stream at url, found after it failed: a lookup of the host (which
// has the watchdog end the run with a message when it takes longer than kLookupLimit), then a
// connection to each of its addresses in turn, each given kConnectLimit.
std::string stream_problem(const std::string& url, Watchdog& watchdog);
