#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Runs the loop for 10,000 iterations (or $1) at 640x480 on a synthetic camera, printing resident
# memory at iterations 100, 1,000 and every 10,000; then runs 20 iterations under valgrind's
# memcheck, which fails on any memory error or definite leak.
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES $TEST_PACKAGES $TOOL_PACKAGES
build_camscope build -DCAMSCOPE_TESTS=ON
build/bench/camscope_soak "${1:-10000}"
valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=1 \
  build/bench/camscope_soak 20
