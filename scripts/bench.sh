#!/bin/sh
# Builds and runs the benchmarks, the windowed one in a virtual 1920x1080 X display, and ends with
# the ratio of released-memory-kept-for-reuse to glibc's default behaviour for each benchmark.
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
for case in iteration_analysis/0 iteration_analysis/1 iteration_analysis/2 iteration_with_windows/2; do
  run "/$case\$"
done
echo
echo "median real time, reuse / default (range 0, 1, 2: 640x480, 1280x720, 1920x1080)"
awk '$1 ~ /_median$/ {
       name = $1; sub(/_median$/, "", name); variant = name; sub(/\/.*/, "", variant)
       sub(/^[a-z]+_alloc\//, "", name)
       ms = ($3 == "ms") ? $2 : ($3 == "us") ? $2 / 1000 : $2 * 1000
       if (variant == "default_alloc") base[name] = ms; else reuse[name] = ms
     }
     END { for (n in base) if (n in reuse)
             printf "%-28s %8.2f ms %8.2f ms %6.2f\n", n, base[n], reuse[n], reuse[n] / base[n] }' \
  "$results" | sort
