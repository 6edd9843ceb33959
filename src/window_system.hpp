// SPDX-License-Identifier: Apache-2.0
// Finds the window system that camscope's windows can open on, before the first window.
#pragma once

#include <ostream>

// Asks X (through libxcb) and Wayland (through libwayland-client) whether they answer, and tells
// Qt which one to use. A QT_QPA_PLATFORM that the user set is honoured: for xcb or wayland it is
// checked, any other platform is taken as it is. Otherwise the window system of the session is
// tried first: Wayland when XDG_SESSION_TYPE is wayland, else X; then the other. Returns false,
// after a message on err that starts with program, when the windows cannot be opened, where Qt
// would abort the process.
bool prepare_window_system(const char* program, std::ostream& err);
