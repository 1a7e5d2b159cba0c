#!/usr/bin/env bash
# Scan speed and memory under Wine: builds two trees in a temp folder (20,000 files in 2,000
# folders and 200,000 files in 20,000 folders, a third of the names Japanese) and runs
# scan_bench on them: the small tree, the large tree, and the large tree again with
# exclusion rules and index roots. Each run times a bare FindFirstFileW/FindNextFileW walk
# and the scan engine with the file list on, in rounds of one walk and one scan, and gives
# the medians over the rounds. The table at the end gives the three runs side by side: the
# ratio, and the scan's own user-mode CPU time per entry beside the walk's, are the figures
# to compare between machines; the seconds depend on the machine and its load. Peak memory
# (and its growth above what the process holds before any work) that stays level from the
# small tree to the large one does not grow with the number of files.
#   bench/scan_bench.sh [build folder]      (CORVANE_BENCH_ROUNDS=N: rounds per run, 5)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-${CORVANE_BUILD:-$ROOT/build}}
EXE=$BUILD/bench/scan_bench.exe
ROUNDS=${CORVANE_BENCH_ROUNDS:-5}
[ -f "$EXE" ] || { echo "build scan_bench first ($EXE)"; exit 2; }
TMP=$(mktemp -d /tmp/scan_bench.XXXXXX)
trap 'rm -rf "$TMP"' EXIT

make_tree() {  # folder, number of folders, files per folder
  python3 - "$1" "$2" "$3" <<'PY'
import os, sys
root, folders, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
exts = [".doc", ".xls", ".pdf", ".jpg", ".txt", ".html", ".zip", ".dat", ".tar.gz", ""]
for d in range(folders):
    # 10 top folders, each holding its share in two more levels
    top = "資料フォルダ%02d" % (d % 10) if d % 3 == 0 else "dir%02d" % (d % 10)
    mid = "sub%03d" % ((d // 10) % 100)
    leaf = "案件_%05d" % d if d % 3 == 1 else "leaf%05d" % d
    path = os.path.join(root, top, mid, leaf)
    os.makedirs(path, exist_ok=True)
    for f in range(per):
        name = ("報告書_%d" % f if f % 3 == 0 else "file%d" % f) + exts[f % len(exts)]
        with open(os.path.join(path, name), "wb") as fh:
            if f % 7 == 0:
                fh.write(b"x" * 100)
PY
}

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

source "$ROOT/scripts/env.sh"
wine_prefix_init
# The walk is a stream of Wine server calls: the time each takes depends on how soon the
# server's processor wakes, which other work on the machine changes from second to second.
# The program and a Wine server of its own share one processor, so that each call goes
# straight to the server and back.
wine_private_prefix "$TMP"
CPU=$(( $(nproc) - 1 ))
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$TMP"' EXIT
# The server stays up between the runs: one that is shutting down as the next program starts
# drops that program's connection.
taskset -c "$CPU" wineserver -p
declare -a ROWS=()
run() {  # label, tree, output folder, extra arguments
  local label=$1 tree=$2 out=$3; shift 3
  echo "== $label"
  local log=$TMP/run.log
  taskset -c "$CPU" wine "$EXE" "$(winpath "$tree")" "$(winpath "$out")" --rounds "$ROUNDS" "$@" | tee "$log"
  ROWS+=("$label|$(grep '^result ' "$log" | tr -d '\r')")
}

mkdir -p "$TMP/out-small" "$TMP/out-large" "$TMP/out-rules"
make_tree "$TMP/small" 2000 10
make_tree "$TMP/large" 20000 10
run "20,000 files in 2,000 folders" "$TMP/small" "$TMP/out-small"
run "200,000 files in 20,000 folders" "$TMP/large" "$TMP/out-large"
run "same, 54 rules (18 for \"*\"), 3 index roots" "$TMP/large" "$TMP/out-rules" --rules

echo
echo "Scan against the bare walk: $(nproc) cores (the runs on one), medians of $ROUNDS rounds. The ratio"
echo "and the scan's own CPU per entry compare between machines; the seconds depend on the machine and its load."
printf '%-46s %8s %10s %10s %7s %11s %16s\n' "run" "entries" "bare walk" "scan" "ratio" "own CPU" "peak memory"
for row in "${ROWS[@]}"; do
  IFS='|' read -r label result <<<"$row"
  read -r _ entries walk scan ratio own peak growth <<<"$result"
  printf '%-46s %8s %8.2f s %8.2f s %6.2fx %6.2f us/e %7.1f MB (+%.1f)\n' "$label" "$entries" "$walk" "$scan" \
    "$ratio" "$own" "$peak" "$growth"
done
