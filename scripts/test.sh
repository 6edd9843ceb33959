#!/bin/sh
# Installs what the build and the tests need, builds everything and runs the whole test suite.
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES $TEST_PACKAGES
build_camscope -DCAMSCOPE_TESTS=ON
cd build
ctest --output-on-failure
