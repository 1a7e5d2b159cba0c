#!/usr/bin/env bash
# Sets up the machine (first time only), builds, and starts the program under Wine.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$ROOT/scripts/build.sh"
source "$ROOT/scripts/env.sh"
BUILD=${CORVANE_BUILD:-$ROOT/build}
wine_prefix_init
EXE=$BUILD/scanner/CvFileScanner.exe
if [ ! -f "$EXE" ]; then
  echo "The main window is not built yet."
  exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "There is no display: run this from a desktop session, or under Xvfb with"
  echo "  xvfb-run -s '-screen 0 1280x1024x24' bash scripts/run.sh"
  exit 1
fi
wine_windows_managed Y
exec wine "$EXE"
