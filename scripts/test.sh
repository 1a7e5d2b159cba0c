#!/usr/bin/env bash
# Sets up the machine (first time only), builds, and runs every test under Wine and Xvfb.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$ROOT/scripts/build.sh"
source "$ROOT/scripts/env.sh"
BUILD=${CORVANE_BUILD:-$ROOT/build}
wine_prefix_init
CORVANE_FORCE_XVFB=1 display_start
trap 'display_stop; wineserver -k 2>/dev/null || true' EXIT
# One Wine server for the whole run: every test process attaches to it.
# Wine's helper processes (services, the desktop window) start with the first program and
# outlive it; start them here, away from CTest's output pipes, or CTest waits for them.
wineserver -p 600 >/dev/null 2>&1 || true
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
wine rundll32 user32.dll,GetDesktopWindow >/dev/null 2>&1 </dev/null || true
cd "$BUILD"
ctest --output-on-failure -j "${CORVANE_TEST_JOBS:-2}" "$@"
