#!/usr/bin/env bash
# Configures and builds everything for 32-bit Windows into build/ (or $CORVANE_BUILD).
# On a fresh clone it first sets the machine up and builds the third-party libraries
# (scripts/setup.sh; every step is skipped once done).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$ROOT/scripts/setup.sh"
source "$ROOT/scripts/env.sh"
BUILD=${CORVANE_BUILD:-$ROOT/build}
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
  -DCORVANE_DEPS_PREFIX="$CORVANE_DEPS_PREFIX" >/dev/null
cmake --build "$BUILD" -j "$(nproc)" "$@"
