#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Installs what camscope needs, builds it and runs it; on a machine without a camera, runs the
# demo on its built-in scene instead.
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES
build_camscope build -DCAMSCOPE_TESTS=OFF
if ! ls /dev/video* >/dev/null 2>&1; then
  echo "run.sh: no camera found (no /dev/video*); starting camscope-demo on its built-in scene"
  exec build/camscope-demo
fi
exec build/camscope
