#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Remakes docs/windows.png: camscope-demo's seven windows in a virtual X display, each cut out of
# a screenshot whole, as users see it (OpenCV's toolbar above the image), and
# laid out under its title (the virtual display has no window manager to draw title bars).
set -e
cd "$(dirname "$0")/.."
if [ "$1" != "--inside" ]; then
  . scripts/packages.sh
  install_packages $RUN_PACKAGES $TEST_PACKAGES $TOOL_PACKAGES
  build_camscope build -DCAMSCOPE_TESTS=ON
  exec xvfb-run -a -s "-screen 0 3100x2300x24" sh "$0" --inside
fi

work=$(mktemp -d)
build/camscope-demo >/dev/null 2>&1 &
demo=$!
trap 'kill "$demo" 2>/dev/null; rm -rf "$work"' EXIT
window_of() {
  tries=0
  until window=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$window" ]; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] || { echo "no window \"$1\""; exit 1; }
    sleep 0.2
  done
  echo "$window"
}
# Each window's title, in the order the loop shows them.
windows="Source image
hist_image
histmax_color
COLOR_BGR2GRAY
2D_FFT
Laplacian
diff image"
index=0
while read -r title; do
  xdotool windowmove "$(window_of "$title")" $((index % 2 * 1550)) $((index / 2 * 570))
  index=$((index + 1))
done <<END
$windows
END
sleep 3  # a few iterations with every window uncovered
import -window root "$work/screen.png"
index=0
while read -r title; do
  eval "$(xdotool getwindowgeometry --shell "$(window_of "$title")")"
  convert "$work/screen.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -resize 760x320 \
    -set label "$title" "$work/$index.png"
  index=$((index + 1))
done <<END
$windows
END
mkdir -p docs
montage -label '%[label]' "$work"/[0-6].png -tile 2x -geometry '760x320+8+8' -background '#202020' \
  -fill white -font DejaVu-Sans -pointsize 20 docs/windows.png
xdotool key --window "$(window_of "diff image")" q
wait "$demo"
echo "wrote docs/windows.png"
