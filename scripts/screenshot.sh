#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Remakes docs/windows.png: camscope-demo's seven windows in a virtual X display, each cut out of
# a screenshot without Qt's toolbar and laid out under its title (the virtual display has no
# window manager to draw title bars).
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
# Each window's title and image size, in the order the loop shows them.
windows="Source image|640x480
hist_image|512x400
histmax_color|400x400
COLOR_BGR2GRAY|640x480
2D_FFT|640x480
Laplacian|640x480
diff image|640x480"
index=0
while IFS='|' read -r title size; do
  xdotool windowmove "$(window_of "$title")" $((index % 2 * 1550)) $((index / 2 * 570))
  index=$((index + 1))
done <<END
$windows
END
sleep 3  # a few iterations with every window uncovered
import -window root "$work/screen.png"
index=0
while IFS='|' read -r title size; do
  eval "$(xdotool getwindowgeometry --shell "$(window_of "$title")")"
  # The image sits centred under Qt's 28-pixel toolbar.
  x=$((X + (WIDTH - ${size%x*} + 1) / 2))
  y=$((Y + 28))
  convert "$work/screen.png" -crop "${size}+${x}+${y}" +repage -resize 400x300 \
    -set label "$title" "$work/$index.png"
  index=$((index + 1))
done <<END
$windows
END
mkdir -p docs
montage -label '%[label]' "$work"/[0-6].png -tile 4x -geometry '400x300+8+8' -background '#202020' \
  -fill white -font DejaVu-Sans -pointsize 20 docs/windows.png
xdotool key --window "$(window_of "diff image")" q
wait "$demo"
echo "wrote docs/windows.png"
