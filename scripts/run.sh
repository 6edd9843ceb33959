#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Installs what camscope needs, builds it and runs it; when camscope cannot open camera 0 (on a
# machine without a camera, say), runs the demo on its built-in scene instead.
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES
build_camscope build -DCAMSCOPE_TESTS=OFF
status=0
build/camscope || status=$?
if [ "$status" -eq 255 ]; then
  echo "run.sh: camscope cannot open camera 0 (OPENCV_LOG_LEVEL=INFO build/camscope says why);" \
    "starting camscope-demo on its built-in scene instead"
  exec build/camscope-demo
fi
exit "$status"
