// SPDX-License-Identifier: Apache-2.0
// Which platforms (window systems) Qt can open windows on: those of its platform plug-ins.
#pragma once

#include <set>
#include <string>
#include <vector>

// The platforms (lower-case, such as xcb and wayland) of the Qt platform plug-ins in these
// folders, read off the plug-ins' metadata without loading them.
std::set<std::string> qt_platforms_in(const std::vector<std::string>& folders);

// The folders where Qt looks for its platform plug-ins: QT_QPA_PLATFORM_PLUGIN_PATH, those of
// QT_PLUGIN_PATH, and Qt's own.
std::vector<std::string> qt_platform_folders();
