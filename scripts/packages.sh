# SPDX-License-Identifier: Apache-2.0
# The Debian packages camscope needs, in one place, and the build steps; sourced by the scripts.
# RUN_PACKAGES build and run the program; PACKAGE_PACKAGES add what builds its Debian package (the
# tools that read the binaries' dependencies); TEST_PACKAGES add the tests, the benchmarks, the
# package's check, the virtual desktops of the window tests, FFmpeg's tool (it writes a rotated
# clip) and the static checks; TOOL_PACKAGES add valgrind for the soak script and ImageMagick for
# the screenshot script.
RUN_PACKAGES="g++ cmake make libopencv-dev qtbase5-dev qtwayland5"
PACKAGE_PACKAGES="dpkg-dev file"
TEST_PACKAGES="$PACKAGE_PACKAGES libgtest-dev libgmock-dev libbenchmark-dev lintian groff-base xvfb
  xauth xdotool x11-utils openbox weston python3 ffmpeg clang-tidy clang-format"
TOOL_PACKAGES="valgrind imagemagick"

# Installs the packages named in "$@" that are not installed yet (needs root or sudo).
install_packages() {
  missing=""
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing="$missing $package"
  done
  [ -z "$missing" ] && return 0
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installing:$missing"
  $sudo apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
}

# Builds into the folder $1, configuring it first with the further CMake arguments given when it
# has not been configured yet. A folder already configured keeps its settings, so that no script
# turns off what another needs there (run.sh the tests of test.sh's build/, say).
build_camscope() {
  folder=$1
  shift
  if [ ! -f "$folder/CMakeCache.txt" ]; then
    cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" || return
  fi
  cmake --build "$folder" -j "$(nproc)"
}
