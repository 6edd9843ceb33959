// SPDX-License-Identifier: Apache-2.0
// How long camscope waits for what lies outside it, and how often it tries: every limit in one
// place.
#pragma once

#include <chrono>

// A camera that delivers no frame: failed reads in a row, the time without a frame, and the pause
// between two tries, which gives a hiccuping driver time to recover.
constexpr int kMaxFailedReads = 10;
constexpr std::chrono::milliseconds kReadLimit{5000};
constexpr std::chrono::milliseconds kRetryPause{100};

// While the loop waits for a paced frame (a slow clip's), it services the windows this often, so
// that they repaint and take q at once.
constexpr std::chrono::milliseconds kServiceInterval{50};

// A camera, a stream or a clip whose opening sends no first frame.
constexpr std::chrono::milliseconds kOpenLimit{5000};

// A window system that takes the connection and does not answer (stopped, or hung).
constexpr std::chrono::milliseconds kAnswerLimit{5000};

// How long camscope waits for a window manager to frame its new windows before it lays them out
// (one that places a window after that would place it over camscope's place for it).
constexpr std::chrono::milliseconds kFramingLimit{500};
