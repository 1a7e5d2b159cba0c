#!/usr/bin/env bash
# Runs one built Windows program (usually a test executable) under the project's Wine set-up,
# with a private Xvfb display when there is none:  scripts/wtest.sh build/tests/x.exe [args]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$ROOT/scripts/env.sh"
wine_prefix_init
display_start
trap 'display_stop' EXIT
wine "$@"
