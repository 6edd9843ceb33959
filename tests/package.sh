#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# The Debian package: built by CPack with computed dependencies, free of lintian errors and
# warnings, with both programs and a manual page that renders cleanly; and no package at all, but
# a message, without dpkg-shlibdeps.
build=$1
root=$(mktemp -d) || exit 1
trap 'rm -rf "$root"' EXIT
fail() { echo "$*"; exit 1; }

(cd "$build" && cpack -G DEB -B "$root/out" >"$root/cpack.log" 2>&1) || { cat "$root/cpack.log"; fail "cpack failed"; }
deb=$(ls "$root"/out/camscope_*.deb) || fail "no package built"
(cd "$build" && cpack -G DEB -B "$root/none" -D CAMSCOPE_SHLIBDEPS=/nowhere/dpkg-shlibdeps \
  >"$root/cpack.log" 2>&1) && fail "cpack without dpkg-shlibdeps succeeded"
grep -q "camscope: dpkg-shlibdeps (Debian package dpkg-dev) is needed" "$root/cpack.log" ||
  fail "cpack without dpkg-shlibdeps: $(cat "$root/cpack.log")"
dpkg-deb -f "$deb" Depends | grep -q "libopencv-highgui" || fail "Depends lacks OpenCV: $(dpkg-deb -f "$deb" Depends)"
lintian --fail-on error,warning "$deb" >"$root/lintian.log" 2>&1 || fail "lintian: $(cat "$root/lintian.log")"
dpkg -x "$deb" "$root/fs"

[ -x "$root/fs/usr/bin/camscope-demo" ] || fail "camscope-demo not installed"
warnings=$(zcat "$root/fs/usr/share/man/man1/camscope.1.gz" | groff -ww -z -man 2>&1)
[ -z "$warnings" ] || fail "manual page warnings: $warnings"
echo "package $(basename "$deb") is clean"
