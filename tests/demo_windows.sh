#!/bin/sh
# The demo in a virtual X display: all seven windows appear, the console line runs, another key
# is ignored and q ends the program with status 0.
if [ "$1" != "--inside" ]; then
  command -v xvfb-run >/dev/null && command -v xdotool >/dev/null ||
    { echo "skipped: needs xvfb-run and xdotool"; exit 77; }
  exec xvfb-run -a -s "-screen 0 1280x1024x24" sh "$0" --inside "$1"
fi
demo=$2
out=$(mktemp) || exit 1
trap 'rm -f "$out"; kill "$pid" 2>/dev/null' EXIT
fail() { echo "$*"; exit 1; }

"$demo" >"$out" 2>/dev/null &
pid=$!
for title in "Source image" hist_image histmax_color COLOR_BGR2GRAY 2D_FFT Laplacian "diff image"; do
  tries=0
  until xdotool search --name "^$title\$" >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] || fail "no window \"$title\" after 20 s"
    sleep 0.2
  done
done
window=$(xdotool search --name '^diff image$' | head -n 1)
xdotool key --window "$window" a
sleep 1
kill -0 "$pid" 2>/dev/null || fail "the demo ended on a key other than q"
xdotool key --window "$window" q
tries=0
while kill -0 "$pid" 2>/dev/null; do
  tries=$((tries + 1))
  [ "$tries" -lt 50 ] || fail "the demo did not end within 10 s of q"
  sleep 0.2
done
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "the demo exited with $status after q, expected 0"
grep -Eq '^ Red = [0-9]+ Green = [0-9]+ Blue = [0-9]+ Frame_num = 1$' "$out" ||
  fail "no first console line: $(head -n 2 "$out")"
echo "seven windows shown, $(wc -l <"$out") console lines, q ended the demo with 0"
