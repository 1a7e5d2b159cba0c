#!/usr/bin/env bash
# The main window's list-peek copy against the range reader alone under Wine and a private
# Xvfb: peek_bench writes a list of 5,000,000 lines (or the count given) into a temp folder,
# then times 20-line copies from several start lines (4,000,000 among them) beside the
# reader's own reads, and copies of 100,000 and 1,000,000 lines with their memory.
#   bench/peek_bench.sh [build folder] [lines]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-${CORVANE_BUILD:-$ROOT/build}}
LINES=${2:-5000000}
EXE=$BUILD/bench/peek_bench.exe
[ -f "$EXE" ] || { echo "build peek_bench first ($EXE)"; exit 2; }
TMP=$(mktemp -d /tmp/peek_bench.XXXXXX)
trap 'rm -rf "$TMP"' EXIT
bash "$ROOT/scripts/wtest.sh" "$EXE" "Z:$(echo "$TMP" | tr / '\\')" "$LINES"
