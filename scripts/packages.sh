# The Debian packages camscope needs, in one place; sourced by the other scripts.
# RUN_PACKAGES build and run the program; TEST_PACKAGES are what the tests add.
RUN_PACKAGES="g++ cmake make libopencv-dev"
TEST_PACKAGES="libgtest-dev libgmock-dev"

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

# Configures and builds into build/ with the given extra CMake arguments.
build_camscope() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" &&
    cmake --build build -j "$(nproc)"
}
