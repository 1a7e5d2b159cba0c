#!/usr/bin/env bash
# Runs the scan engine's unreadable-folder case (cvidx_tests, ScanEngine.UnreadableFolder*)
# on a folder whose permissions deny reading. Root reads every folder whatever its
# permissions, so as root the Wine server and the test run without that capability
# (setpriv). The server must be one of their own, in a prefix of their own: the run's shared
# server keeps the capability.
#   UnreadableFolderTest.sh <cvidx_tests.exe>
set -euo pipefail
EXE=$1
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$ROOT/scripts/env.sh"
wine_prefix_init
WORK=$(mktemp -d /tmp/corvane-unreadable.XXXXXX)
wine_private_prefix "$WORK"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  chmod 700 "$WORK/tree/locked" 2>/dev/null || true
  rm -rf "$WORK"  # the C: link goes, not what it links to
}
trap cleanup EXIT

mkdir -p "$WORK/tree/locked"
echo "unreadable" > "$WORK/tree/locked/inside.txt"
echo "readable" > "$WORK/tree/a.dat"
chmod 000 "$WORK/tree/locked"

LIMITED=()
[ "$(id -u)" = 0 ] && LIMITED=(setpriv --bounding-set -dac_override,-dac_read_search --inh-caps -dac_override,-dac_read_search)
# Wine's helper processes start with the first program and outlive it: start them away from
# the test's output, which CTest reads to its end.
"${LIMITED[@]}" wine cmd /c exit >/dev/null 2>&1 </dev/null || true
export CORVANE_UNREADABLE_TREE="Z:$(echo "$WORK/tree" | tr / '\\')"
"${LIMITED[@]}" wine "$EXE" --gtest_brief=1 --gtest_filter='ScanEngine.UnreadableFolder*'
