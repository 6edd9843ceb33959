#!/bin/sh
# Installs what camscope needs, builds it and runs it.
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES
build_camscope build -DCAMSCOPE_TESTS=OFF
exec build/camscope
