#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Remakes docs/windows.png: what a user sees of camscope-demo on a laptop's 1366x768 screen under a
# window manager (openbox), the seven windows laid out by the demo itself.
set -e
cd "$(dirname "$0")/.."
if [ "$1" != "--inside" ]; then
  . scripts/packages.sh
  install_packages $RUN_PACKAGES $TEST_PACKAGES $TOOL_PACKAGES
  build_camscope build -DCAMSCOPE_TESTS=ON
  exec xvfb-run -a -s "-screen 0 1366x768x24" sh "$0" --inside
fi

openbox >/dev/null 2>&1 &
window_manager=$!
build/camscope-demo >/dev/null 2>&1 &
demo=$!
trap 'kill "$demo" "$window_manager" 2>/dev/null' EXIT
tries=0
until xdotool search --onlyvisible --name '^diff image$' >/dev/null 2>&1; do
  tries=$((tries + 1))
  [ "$tries" -lt 100 ] || { echo "no windows after 20 s"; exit 1; }
  sleep 0.2
done
sleep 3  # the layout, then a few iterations
mkdir -p docs
import -window root docs/windows.png
xdotool key --window "$(xdotool search --onlyvisible --name '^diff image$' | head -n 1)" q
wait "$demo"
echo "wrote docs/windows.png"
