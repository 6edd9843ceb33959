#!/bin/sh
# Builds and runs the benchmarks, the windowed ones in a virtual 1920x1080 X display.
# Arguments go to Google Benchmark, e.g. --benchmark_filter=spectrum
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES $TEST_PACKAGES $TOOL_PACKAGES
build_camscope build -DCAMSCOPE_TESTS=ON
exec xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/camscope_bench \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true "$@"
