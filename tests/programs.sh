#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# The real programs, from outside. camscope on a machine without a camera: status 255 at once,
# nothing on either stream. The demo on the desktops it may meet: on X (a virtual display) all
# seven windows appear and q ends it with 0. On a Wayland desktop without X, with no hint from the
# variables, it finds Wayland and runs until SIGTERM ends it with 143. Where no window system
# answers, it ends with status 1 and a message that starts with its own name and says what it
# tried, never with Qt's abort. Nothing here waits for a fixed time: each wait ends when what it
# waits for happens, or the program ends, or the demo's loop has gone round 200 times without it,
# or 20 seconds have passed (a frozen loop); no program runs longer than 30 seconds.
camscope=$1
demo=$2
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v weston >/dev/null ||
  { echo "skipped: needs Xvfb, xdotool and weston"; exit 77; }
runtime=$(mktemp -d) || exit 1  # private, as Wayland wants its runtime folder
touch "$runtime/out" "$runtime/err" "$runtime/log"
trap 'kill "$xvfb" "$weston" "$pid" 2>/dev/null; rm -rf "$runtime"' EXIT
fail() { echo "$*"; exit 1; }

if [ ! -e /dev/video0 ]; then
  timeout 30 env -u DISPLAY -u WAYLAND_DISPLAY "$camscope" >"$runtime/out" 2>&1
  status=$?
  [ "$status" -eq 255 ] || fail "camscope without a camera: status $status, expected 255"
  [ -s "$runtime/out" ] && fail "camscope without a camera printed: $(cat "$runtime/out")"
fi
run_demo() {  # exec: run in the background, $! is the demo's timeout, which passes signals on
  exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE \
    XDG_RUNTIME_DIR="$runtime" "$@" timeout 30 "$demo" >"$runtime/out" 2>"$runtime/err"
}
lines() { wc -l <"$runtime/out"; }
wait_until() {  # "$@" holds; fails if the program $pid ends, or the demo loops 200 times or 20 s pass
  start=$(lines)
  deadline=$(($(date +%s) + 20))
  until "$@"; do
    kill -0 "$pid" 2>/dev/null || fail "ended early: $(cat "$runtime/err" "$runtime/log")"
    [ "$(lines)" -lt $((start + 200)) ] || fail "not after 200 iterations: $*"
    [ "$(date +%s)" -lt "$deadline" ] || fail "not within 20 s: $*"
    sleep 0.1
  done
}
has_window() { xdotool search --name "^$1\$" >/dev/null 2>&1; }
has_lines() { [ "$(lines)" -ge "$1" ]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }
expect_status() {  # of the demo, once it has ended
  wait_until ended
  wait "$pid"
  status=$?
  [ "$status" -eq "$1" ] || fail "$2: the demo exited with $status, expected $1"
}

# X: Xvfb picks a free display itself and writes its number once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$runtime/display" 2>"$runtime/log" &
pid=$!
xvfb=$pid
wait_until [ -s "$runtime/display" ]
run_demo DISPLAY=":$(cat "$runtime/display")" &
pid=$!
export DISPLAY=":$(cat "$runtime/display")"
for title in "Source image" hist_image histmax_color COLOR_BGR2GRAY 2D_FFT Laplacian "diff image"; do
  wait_until has_window "$title"
done
xdotool key --window "$(xdotool search --name '^diff image$' | head -n 1)" q
expect_status 0 "q"

XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=camscope-test \
  >"$runtime/log" 2>&1 &
pid=$!
weston=$pid
wait_until [ -S "$runtime/camscope-test" ]
: >"$runtime/out"  # no console line of the X run may count here
run_demo WAYLAND_DISPLAY=camscope-test &
pid=$!
wait_until has_lines 2
kill -TERM "$pid"
expect_status 143 SIGTERM

# Nothing answers, or not as asked (a screen the X server lacks). Each case: the variables, then a
# text that the message must name.
while IFS="|" read -r variables named; do
  (run_demo $variables)
  status=$?
  message=$(cat "$runtime/err")
  [ "$status" -eq 1 ] || fail "$variables: status $status, expected 1 ($message)"
  [ -s "$runtime/out" ] && fail "$variables: wrote to standard output: $(head -n 3 "$runtime/out")"
  case "$message" in "camscope-demo: "*"$named"*) ;; *) fail "$variables: message \"$message\"" ;; esac
done <<END
DISPLAY=:97 QT_QPA_PLATFORM=|X display ":97"
DISPLAY=$DISPLAY.3|X display "$DISPLAY.3": the server has no
WAYLAND_DISPLAY=nowhere|$runtime/nowhere
WAYLAND_DISPLAY=nowhere XDG_SESSION_TYPE=wayland|$runtime/nowhere
QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY=camscope-test|QT_QPA_PLATFORM=xcb
END
