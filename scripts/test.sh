#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Installs what the build and the tests need, builds everything and runs the whole test suite,
# in a normal build (build/) and again with AddressSanitizer and UBSan (build-sanitize/).
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES $TEST_PACKAGES
build_camscope build -DCAMSCOPE_TESTS=ON
(cd build && ctest --output-on-failure)
build_camscope build-sanitize -DCAMSCOPE_TESTS=ON -DCAMSCOPE_SANITIZE=ON
(cd build-sanitize && ctest --output-on-failure)
