#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Builds and runs the benchmarks, the windowed one in a virtual 1920x1080 X display, and ends with
# a table of each benchmark under glibc's default allocator behaviour, with the mmap threshold
# raised alone, and with all memory kept for reuse as camscope does, with the page faults of each.
# Each whole-iteration case runs in processes of its own, so that no earlier benchmark has shaped
# the heap: as in a freshly started camscope.
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES $TEST_PACKAGES
build_camscope build -DCAMSCOPE_TESTS=ON
results=$(mktemp)
trap 'rm -f "$results"' EXIT
run() {
  filter=$1
  shift
  xvfb-run -a -s "-screen 0 1920x1080x24" build/bench/camscope_bench --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true --benchmark_filter="$filter" "$@" | tee -a "$results"
}
run '/(histograms|spectrum|edge_mask|motion_mask)/'
for case in iteration_analysis/0 iteration_analysis/1 iteration_analysis/2 iteration_analysis/3 \
  iteration_with_windows/2 webcam_iteration/0/0 webcam_iteration/0/1 webcam_iteration/1/0 \
  webcam_iteration/1/1; do
  run "/$case\$"
done
echo
echo "median real time (ms) and page faults per iteration: default, threshold raised, reuse"
echo "(range 0, 1, 2, 3: 640x480, 1280x720, 1920x1080, 3840x2160)"
awk '$1 ~ /_median$/ {
       name = $1; sub(/_median$/, "", name); variant = name; sub(/\/.*/, "", variant)
       sub(/^[a-z]+_alloc\//, "", name)
       ms = ($3 == "ms") ? $2 : ($3 == "us") ? $2 / 1000 : $2 * 1000
       faults = "-"; for (i = 4; i <= NF; i++) if ($i ~ /^faults=/) { faults = $i; sub(/faults=/, "", faults) }
       row[name] = row[name] sprintf(" %s=%.1f ms/%s", variant, ms, faults)
     }
     END { for (n in row) printf "%-26s%s\n", n, row[n] }' "$results" | sort
