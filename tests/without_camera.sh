#!/bin/sh
# The real program on a machine with no camera: status 255 at once, nothing on either stream.
binary=$1
if [ -e /dev/video0 ]; then
  echo "skipped: this machine has a camera"
  exit 77
fi
out=$(mktemp) && err=$(mktemp) || exit 1
trap 'rm -f "$out" "$err"' EXIT
OPENCV_LOG_LEVEL=ERROR timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY "$binary" >"$out" 2>"$err"
status=$?
fail=0
[ "$status" -eq 255 ] || { echo "status $status, expected 255"; fail=1; }
[ -s "$out" ] && { echo "unexpected standard output:"; cat "$out"; fail=1; }
[ -s "$err" ] && { echo "unexpected standard error:"; cat "$err"; fail=1; }
[ "$fail" -eq 0 ] && echo "status 255, no output"
exit "$fail"
