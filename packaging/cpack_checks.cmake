# SPDX-License-Identifier: Apache-2.0
# Read by cpack before it packages: a Debian package built without dpkg-shlibdeps would have no
# Depends at all, install anywhere and then fail to start, so that build fails instead.
# CAMSCOPE_SHLIBDEPS names the tool to use (cpack -D), else it is looked for.
if(CPACK_GENERATOR STREQUAL "DEB")
  if(NOT CAMSCOPE_SHLIBDEPS)
    find_program(CAMSCOPE_SHLIBDEPS dpkg-shlibdeps)
  endif()
  if(NOT EXISTS "${CAMSCOPE_SHLIBDEPS}")
    message(FATAL_ERROR "camscope: dpkg-shlibdeps (Debian package dpkg-dev) is needed to work out "
                        "the package's dependencies, and it is not installed; build the package "
                        "with sh scripts/package.sh, which installs it")
  endif()
endif()
