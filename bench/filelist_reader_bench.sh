#!/usr/bin/env bash
# Range read against whole-list read of a file list under Wine: filelist_reader_bench writes
# a list of 5,000,000 lines (or the count given) with its index through the scan's writer
# into a temp folder, then times reading 20 entries from several start lines (4,000,000
# among them) and reading the whole list, each with a freshly opened reader.
#   bench/filelist_reader_bench.sh [build folder] [lines]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-${CORVANE_BUILD:-$ROOT/build}}
LINES=${2:-5000000}
EXE=$BUILD/bench/filelist_reader_bench.exe
[ -f "$EXE" ] || { echo "build filelist_reader_bench first ($EXE)"; exit 2; }
TMP=$(mktemp -d /tmp/filelist_bench.XXXXXX)
trap 'rm -rf "$TMP"' EXIT
source "$ROOT/scripts/env.sh"
wine_prefix_init
wine "$EXE" "Z:$(echo "$TMP" | tr / '\\')" "$LINES"
