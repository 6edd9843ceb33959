#!/bin/sh
# The Debian package: built by CPack with computed dependencies, unpacked into a scratch root,
# where the program runs (status 255 without a camera) and the manual page renders cleanly.
build=$1
root=$(mktemp -d) || exit 1
trap 'rm -rf "$root"' EXIT
fail() { echo "$*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$root/out" >"$root/cpack.log" 2>&1) || { cat "$root/cpack.log"; fail "cpack failed"; }
deb=$(ls "$root"/out/camscope_*.deb) || fail "no package built"
dpkg-deb -f "$deb" Depends | grep -q "libopencv-highgui" || fail "Depends lacks OpenCV: $(dpkg-deb -f "$deb" Depends)"
dpkg -x "$deb" "$root/fs"

[ -x "$root/fs/usr/bin/camscope-demo" ] || fail "camscope-demo not installed"
manual="$root/fs/usr/share/man/man1/camscope.1.gz"
[ -f "$manual" ] || fail "manual page not installed"
warnings=$(zcat "$manual" | groff -ww -z -man 2>&1)
[ -z "$warnings" ] || fail "manual page warnings: $warnings"
if [ ! -e /dev/video0 ]; then
  OPENCV_LOG_LEVEL=ERROR env -u DISPLAY -u WAYLAND_DISPLAY "$root/fs/usr/bin/camscope" >/dev/null 2>&1
  status=$?
  [ "$status" -eq 255 ] || fail "installed camscope exited with $status, expected 255"
fi
echo "package $(basename "$deb") installs and runs"
