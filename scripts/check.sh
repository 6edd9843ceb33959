#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# Static checks, which fail on any finding: the format of every C++ file against .clang-format,
# and clang-tidy with the project's .clang-tidy on every C++ source. Needs the compile commands
# of build/ (cmake --preset default, which scripts/test.sh runs first).
set -e
cd "$(dirname "$0")/.."
[ -f build/compile_commands.json ] || { echo "check.sh: configure build/ first"; exit 2; }
# The sources are found by name, not by git: a release tree has no .git, and git refuses a
# checkout that another user owns.
sources() { find src tests bench -name "$1" | sort; }
sources '*.[ch]pp' | xargs clang-format --dry-run --Werror
sources '*.cpp' | xargs -P "$(nproc)" -n 1 clang-tidy -p build --quiet 2>/dev/null
echo "static checks: clang-format and clang-tidy found nothing"
