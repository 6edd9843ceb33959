#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Installs what the build and the tests need, builds everything and runs the whole test suite,
# in a normal build (build/) and again with AddressSanitizer and UBSan (build-sanitize/), through
# the CMake workflow presets; then the static checks.
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES $TEST_PACKAGES
CMAKE_BUILD_PARALLEL_LEVEL=$(nproc)
export CMAKE_BUILD_PARALLEL_LEVEL
cmake --workflow --preset default
cmake --workflow --preset sanitize
sh scripts/check.sh
