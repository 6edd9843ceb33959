#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# The real programs, from outside. camscope on a machine without a camera: status 255 at once,
# nothing on either stream, unless OPENCV_LOG_LEVEL asks for OpenCV's log. The demo's command line:
# help, version, usage errors and files it cannot play, each answered before any window. The demo
# on the desktops it may meet: on X (a virtual display), playing a picture, its windows appear, the
# first console line gives the picture's colour and q ends it with 0. Under a window manager on a
# laptop's screen, the seven lie whole and apart. On a Wayland desktop without X, with no hint from
# the variables, it finds Wayland, quietly, and runs its own scene until SIGTERM ends it by that
# signal. A pipe whose reader has ended gets the message and status 1, not a silent 141, and a name
# with a control character is quoted. Where no window system can be opened, it ends with status 1
# and a message that starts with its own name and gives Qt's reasons, never with Qt's abort; a
# display server that never answers is given up after 5 s. Started with SIGHUP ignored (nohup), the
# demo keeps it ignored; a shell's loop of it ends on Ctrl+C. Nothing here waits for a fixed time:
# each wait ends when what it waits for happens, or the program ends, or the demo's loop has gone
# round 200 times without it, or 20 seconds have passed (a frozen loop); no program runs longer
# than 30 seconds.
camscope=$1
demo=$2
for tool in Xvfb xdotool xwininfo xprop openbox weston python3 ffmpeg; do
  command -v $tool >/dev/null || { echo "skipped: needs $tool"; exit 77; }
done
runtime=$(mktemp -d) || exit 1  # private, as Wayland wants its runtime folder
touch "$runtime/out" "$runtime/err" "$runtime/log"
# Unquoted: a server not started yet leaves no empty argument, which would end kill's list there.
trap 'kill $xvfb $weston $desk_server $openbox $pid 2>/dev/null; rm -rf "$runtime"' EXIT
fail() { echo "$*"; cat "$runtime/err"; exit 1; }

if [ ! -e /dev/video0 ]; then
  timeout 30 env -u DISPLAY -u WAYLAND_DISPLAY "$camscope" >"$runtime/out" 2>&1
  status=$?
  [ "$status" -eq 255 ] || fail "camscope without a camera: status $status, expected 255"
  [ -s "$runtime/out" ] && fail "camscope without a camera printed: $(cat "$runtime/out")"
  OPENCV_LOG_LEVEL=WARNING timeout 30 "$camscope" 2>&1 | grep -q "can't open camera" ||
    fail "camscope with OPENCV_LOG_LEVEL=WARNING showed no warning of OpenCV's"
fi
run_demo() {  # exec: run in the background, $! is the demo's timeout, which passes signals on
  exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE \
    XDG_RUNTIME_DIR="$runtime" "$@" timeout 30 $wrapper "$demo" $play </dev/null \
    >"${console:-$runtime/out}" 2>"$runtime/err"
}
play=""  # a file for the demo to play

# A 4x2 picture of red 200, green 50, blue 10 in 16 bits (times 257: FFmpeg's conversion would give
# red 201); a file that is no picture; an empty file.
printf 'P6\n4 2\n65535\n' >"$runtime/still.ppm"
for pixel in 1 2 3 4 5 6 7 8; do printf '\310\310\062\062\012\012' >>"$runtime/still.ppm"; done
echo "not a picture" >"$runtime/notes.txt"
# A PNG whose header is damaged, over which libpng writes its own line on the terminal.
printf '\211PNG\r\n\032\n\0\0\0\rIHDR\0\0\0\4\0\0\0\2\10\2\0\0\0\0\0\0\0' >"$runtime/damaged.png"
: >"$runtime/empty.avi"
# A Motion-JPEG clip with 16 bytes overwritten mid-way, over which FFmpeg would write lines each
# time round.
ffmpeg -loglevel error -f lavfi -i testsrc=s=64x48 -frames:v 5 -c:v mjpeg "$runtime/damaged.avi"
printf '%016d' 0 | tr 0 '\377' |
  dd of="$runtime/damaged.avi" bs=1 seek=$(($(wc -c <"$runtime/damaged.avi") / 2)) conv=notrunc 2>/dev/null
mkfifo "$runtime/stalled.avi"  # a stream that never sends a byte
mkfifo "$runtime/stall_000.png"  # a sequence whose first file never comes
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

# X: Xvfb picks a free display itself and writes its number once it accepts connections; as a
# desktop's X server does, it keeps running between clients (-noreset).
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$runtime/display" 2>"$runtime/log" &
pid=$!
xvfb=$pid
wait_until [ -s "$runtime/display" ]
play="$runtime/still.ppm"
run_demo DISPLAY=":$(cat "$runtime/display")" &
pid=$!
play=""
export DISPLAY=":$(cat "$runtime/display")"
wait_until has_window "diff image"  # the last of the seven
xdotool key --window "$(xdotool search --name '^diff image$' | head -n 1)" q
expect_status 0 "q"
[ "$(head -n 1 "$runtime/out")" = " Red = 200 Green = 50 Blue = 10 Frame_num = 1" ] ||
  fail "the picture's console line: $(head -n 1 "$runtime/out")"

# A desktop with a window manager (openbox) on a laptop's 1366x768 screen at a Qt scale factor of
# 2, showing a 1920x1080 picture: the seven windows lie whole on the screen, frames included, none
# over another, the plot legible and no larger than its image in device pixels, and they carry the
# demo's WM_CLASS; killing the windows' connection (xkill) ends the run with status 1 and a message
# naming the display. Then an image sequence of three sizes in turn moves no window while it plays.
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp -noreset 3>"$runtime/desk" 2>>"$runtime/log" &
pid=$!
desk_server=$pid
wait_until [ -s "$runtime/desk" ]
desk=":$(cat "$runtime/desk")"
DISPLAY=$desk openbox >>"$runtime/log" 2>&1 &
openbox=$!
{ printf 'P6\n1920 1080\n255\n'; head -c 6220800 /dev/zero | tr '\0' '\100'; } >"$runtime/hd.ppm"
play="$runtime/hd.ppm"
run_demo DISPLAY="$desk" QT_SCALE_FACTOR=2 &
pid=$!
play=""
frames() {  # each window's frame as x y width height, in the window table's order
  for title in "Source image" hist_image histmax_color COLOR_BGR2GRAY 2D_FFT Laplacian "diff image"; do
    window=$(DISPLAY=$desk xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] || return 1
    echo "$(DISPLAY=$desk xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $4}
      /Absolute upper-left Y/ {y = $4} /Width:/ {w = $2} /Height:/ {h = $2} END {print x, y, w, h}') \
      $(DISPLAY=$desk xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')"
  done | awk '{print $1 - $5, $2 - $7, $3 + $5 + $6, $4 + $7 + $8}'
}
whole_and_apart() {
  frames >"$runtime/frames" 2>/dev/null && [ "$(wc -l <"$runtime/frames")" -eq 7 ] &&
    awk '{x[NR] = $1; y[NR] = $2; w[NR] = $3; h[NR] = $4}
      END {for (i = 1; i <= NR; i++) {
             if (x[i] < 0 || y[i] < 0 || x[i] + w[i] > 1366 || y[i] + h[i] > 768) exit 1
             for (j = 1; j < i; j++)
               if (x[i] < x[j] + w[j] && x[j] < x[i] + w[i] && y[i] < y[j] + h[j] && y[j] < y[i] + h[i]) exit 1
           }}' "$runtime/frames"
}
wait_until whole_and_apart
# The plot (its frame's borders included) at least 300 device pixels wide, but not past its own 512.
awk 'NR == 2 && ($3 < 300 || $3 > 520) {exit 1}' "$runtime/frames" || fail "the plot's width:"
window_of() { DISPLAY=$desk xdotool search --onlyvisible --name "^$1\$" | head -n 1; }
DISPLAY=$desk xprop -id "$(window_of 2D_FFT)" WM_CLASS | grep -q '"camscope-demo", "camscope-demo"' ||
  fail "WM_CLASS: $(DISPLAY=$desk xprop -id "$(window_of 2D_FFT)" WM_CLASS)"
DISPLAY=$desk xdotool windowkill "$(window_of "diff image")"
expect_status 1 xkill
case "$(cat "$runtime/err")" in
*"camscope-demo: lost the connection to X display \"$desk\": The X11 connection broke"*) ;;
*) fail "xkill: $(cat "$runtime/err")" ;;
esac
for size in "640 480" "320 240" "480 360"; do
  set -- $size
  { printf 'P6\n%s %s\n255\n' "$1" "$2"; head -c $(($1 * $2 * 3)) /dev/zero; } \
    >"$runtime/sizes_$(ls "$runtime" | grep -c '^sizes_').ppm"
done
: >"$runtime/out"
play="$runtime/sizes_%d.ppm"
run_demo DISPLAY="$desk" &
pid=$!
play=""
wait_until has_lines 15  # 2 s at 7.5 iterations a second
wait_until whole_and_apart
cp "$runtime/frames" "$runtime/frames_at_2s"
wait_until has_lines 37
frames >"$runtime/frames"
cmp -s "$runtime/frames" "$runtime/frames_at_2s" ||
  fail "windows moved: $(cat "$runtime/frames_at_2s") then $(cat "$runtime/frames")"
kill -TERM "$pid"
expect_status 143 "the image sequence"

XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --socket=camscope-test \
  >"$runtime/log" 2>&1 &
pid=$!
weston=$pid
wait_until [ -S "$runtime/camscope-test" ]
: >"$runtime/out"  # no console line of the X run may count here
wrapper=nohup  # the terminal's SIGHUP, ignored at start, stays ignored
run_demo WAYLAND_DISPLAY=camscope-test &
pid=$!
wrapper=""
wait_until has_lines 2
[ -s "$runtime/err" ] && fail "a good start on Wayland printed:"
# Started again with OpenCV's pixel limit set, the demo keeps its name for ps and pkill.
[ "$(ps -o comm= --ppid "$pid")" = camscope-demo ] || fail "named $(ps -o comm= --ppid "$pid")"
kill -HUP "$pid"
wait_until has_lines $(($(lines) + 2))
kill -TERM "$pid"
expect_status 143 SIGTERM

# Ctrl+C (SIGINT to the terminal's whole process group) ends a shell's loop of the demo, as the
# demo dies of the signal: bash goes on with the loop after a child that exits with a status.
: >"$runtime/out"
env WAYLAND_DISPLAY=camscope-test XDG_RUNTIME_DIR="$runtime" python3 -c 'import os, signal, sys
os.setpgid(0, 0)  # a process group of its own, as a terminal gives its foreground job
signal.signal(signal.SIGINT, signal.SIG_DFL)  # which sh ignores in a background job
os.execvp(sys.argv[1], sys.argv[1:])' bash -c 'while :; do timeout --foreground 30 "$0"; done' \
  "$demo" >"$runtime/out" 2>"$runtime/err" &
pid=$!
wait_until has_lines 2
env kill -s INT -- -"$pid"
expect_status 130 "Ctrl+C in a shell loop"

# A console line that cannot be written ends the run with a message and status 1, never a silent 141
# (SIGPIPE): here the reader of a pipe has ended.
{
  env -u WAYLAND_DISPLAY XDG_RUNTIME_DIR="$runtime" timeout 30 "$demo" "$runtime/still.ppm" \
    2>"$runtime/err"
  echo $? >"$runtime/status"
} | head -n 2 >/dev/null
[ "$(cat "$runtime/status")" = 1 ] &&
  grep -q "^camscope-demo: cannot write the console line: Broken pipe;" "$runtime/err" ||
  fail "a closed pipe: status $(cat "$runtime/status"), $(cat "$runtime/err")"

# Cases that open no window: the demo's command line (help, version, usage errors, files it cannot
# play, a stream that stalls, given up after 5 s), window systems that do not answer, or not as
# asked (a screen the X server lacks, a platform Qt lacks), and a console line that cannot be
# written; and runs that open their windows and leave the terminal quiet until they are stopped:
# with XDG_RUNTIME_DIR empty (Qt's remark on it), a damaged clip (FFmpeg's lines) and a sequence
# that goes round (OpenCV's warning about the file after its last). Each: the variables, the arguments, the status, the stream and the pattern its text must
# match, and where standard output goes if not to the stream out; nothing else may reach it.
while IFS="|" read -r variables play status stream pattern console; do
  (run_demo $variables)
  got=$?
  text=$(cat "$runtime/$stream")
  [ "$got" -eq "$status" ] || fail "$variables $play: status $got, expected $status ($text)"
  [ "$stream" = out ] || [ ! -s "$runtime/out" ] || fail "$variables $play: wrote $(cat "$runtime/out")"
  case "$text" in $pattern) ;; *) fail "$variables $play: \"$text\"" ;; esac
done <<END
|--help|0|out|usage: camscope-demo *
|--version|0|out|camscope-demo 0.1.0
|a b|2|err|camscope-demo: one FILE at most*
|--fast|2|err|camscope-demo: unknown option --fast*
|$runtime|1|err|camscope-demo: cannot play $runtime: it is a directory*
|$runtime/notes.txt|1|err|camscope-demo: cannot play $runtime/notes.txt: it is neither a picture*
|$runtime/damaged.png|1|err|*camscope-demo: cannot play $runtime/damaged.png: it is a picture that cannot be decoded*
|$runtime/stalled.avi|1|err|camscope-demo: cannot play $runtime/stalled.avi: no frame came in 5.? s;*
|$runtime/empty.avi|1|err|camscope-demo: cannot play $runtime/empty.avi: the file is empty;*
|$runtime/f_%03d.png|1|err|camscope-demo: cannot play $runtime/f_%03d.png: OpenCV reads no image sequence from it*
|rtsp://127.0.0.1:1/live|1|err|*tcp*refused*camscope-demo: cannot play rtsp://127.0.0.1:1/live: it cannot be opened*
|/dev/null|1|err|camscope-demo: cannot play /dev/null: it is not a camera*
setsid -w|/dev/tty|1|err|camscope-demo: cannot play /dev/tty: it is not a camera*
|$runtime/stall_%03d.png|1|err|camscope-demo: cannot play $runtime/stall_%03d.png: no frame came in 5.? s; the disk it is on*
DISPLAY=$DISPLAY XDG_RUNTIME_DIR= timeout -s TERM 4|$runtime/still.ppm|124|err||/dev/null
DISPLAY=$DISPLAY timeout -s TERM 4|$runtime/damaged.avi|124|err||/dev/null
DISPLAY=$DISPLAY timeout -s TERM 4|$runtime/sizes_%d.ppm|124|err||/dev/null
|-- -x.png|1|err|camscope-demo: cannot play -x.png: No such file*
|$runtime/a$(printf '\033')cb.png|1|err|camscope-demo: cannot play \$'$runtime/a*cb.png': No such file*
DISPLAY=:97 QT_QPA_PLATFORM=||1|err|camscope-demo: cannot open windows: could not connect to display :97;*wl_display*
DISPLAY=:9$(printf '\033')7||1|err|camscope-demo: cannot open windows: \$'could not connect to display :9\\\\E7;*
WAYLAND_DISPLAY=nowhere XDG_SESSION_TYPE=wayland||1|err|camscope-demo: cannot open windows: Failed to create wl_display*
QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY=camscope-test||1|err|camscope-demo: cannot open windows: could not connect to display ;*
QT_QPA_PLATFORM=xcbb||1|err|camscope-demo: cannot open windows: Could not find the Qt platform plugin "xcbb"*Available platform plugins are: *xcb*
DISPLAY=$DISPLAY|$runtime/still.ppm|1|err|camscope-demo: cannot write the console line: No space left on device;*|/dev/full
END

# A picture bomb, a header that declares 30000 x 30000 pixels, is refused from it, with its size,
# within 2 s and 300 MB (OpenCV's own limit is 2^30 pixels: camscope-demo sets its own).
printf 'P6\n30000 30000\n255\n\001\002\003' >"$runtime/huge.ppm"
python3 -c 'import resource, subprocess, sys, time
start = time.monotonic()
ended = subprocess.run(sys.argv[1:], stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
took, peak = time.monotonic() - start, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(ended.returncode, "%.1f s" % took, "%d MB" % (peak // 1024), ended.stderr.decode())
sys.exit(ended.returncode != 1 or took > 2 or peak > 300 * 1024 or b"30000 x 30000" not in ended.stderr)' \
  env -u DISPLAY -u WAYLAND_DISPLAY "$demo" "$runtime/huge.ppm" >"$runtime/err" ||
  fail "a picture bomb: status, time, memory and message:"

# A display server that takes the connection and never answers (stopped) is given up after 5 s.
stopped() {  # the server's process, how the message names it, the variables that lead to it
  server=$1 name=$2
  shift 2
  kill -STOP "$server"
  (run_demo "$@")
  status=$?
  kill -CONT "$server"
  case "$status $(cat "$runtime/err")" in
  "1 camscope-demo: $name does not answer (no reply in 5."?" s);"*) ;;
  *) fail "a stopped server: status $status, $(cat "$runtime/err")" ;;
  esac
}
play="" console=""
stopped "$xvfb" "X display \"$DISPLAY\"" DISPLAY="$DISPLAY"
stopped "$weston" "Wayland socket $runtime/camscope-test" WAYLAND_DISPLAY=camscope-test
