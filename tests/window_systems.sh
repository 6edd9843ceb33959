#!/bin/sh
# The demo on the desktops it may meet. Where no window system answers, it ends with status 1 and
# a message saying what it tried, never with Qt's abort; on a Wayland desktop without X and with no
# hint from the variables, it finds Wayland and runs until SIGTERM ends it with 143.
demo=$1
command -v weston >/dev/null || { echo "skipped: needs weston"; exit 77; }
runtime=$(mktemp -d) || exit 1  # private, as Wayland wants its runtime folder
trap 'kill "$weston" "$pid" 2>/dev/null; rm -rf "$runtime"' EXIT
fail() { echo "$*"; exit 1; }
run_demo() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE \
    XDG_RUNTIME_DIR="$runtime" "$@" "$demo" >"$runtime/out" 2>"$runtime/err"
}

XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=camscope-test \
  >"$runtime/weston.log" 2>&1 &
weston=$!
until [ -S "$runtime/camscope-test" ]; do
  kill -0 "$weston" 2>/dev/null || fail "weston did not start: $(cat "$runtime/weston.log")"
  sleep 0.1
done

# Each case: the variables, then a text that the message must name.
while IFS="|" read -r variables named; do
  run_demo $variables
  status=$?
  message=$(cat "$runtime/err")
  [ "$status" -eq 1 ] || fail "$variables: status $status, expected 1 ($message)"
  [ -s "$runtime/out" ] && fail "$variables: wrote to standard output"
  case "$message" in "camscope: "*"$named"*) ;; *) fail "$variables: message \"$message\"" ;; esac
done <<END
DISPLAY=:97 QT_QPA_PLATFORM=|X display ":97"
WAYLAND_DISPLAY=nowhere|$runtime/nowhere
WAYLAND_DISPLAY=nowhere XDG_SESSION_TYPE=wayland|$runtime/nowhere
QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY=camscope-test|QT_QPA_PLATFORM=xcb
END

run_demo WAYLAND_DISPLAY=camscope-test &
pid=$!
until [ "$(wc -l <"$runtime/out")" -ge 2 ]; do
  kill -0 "$pid" 2>/dev/null || fail "the demo ended on Wayland: $(cat "$runtime/err")"
  sleep 0.1
done
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" -eq 143 ] || fail "SIGTERM ended the demo with $status, expected 143"
echo "no window system: status 1 and a message; Wayland without hints: ran, SIGTERM gave 143"
