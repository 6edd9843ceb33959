#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Installs what the Debian package needs, builds camscope and packs it into
# build/camscope_<version>_<arch>.deb, with the dependencies read off the binaries.
set -e
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_packages $RUN_PACKAGES $PACKAGE_PACKAGES
build_camscope build -DCAMSCOPE_TESTS=OFF
cd build
cpack -G DEB
