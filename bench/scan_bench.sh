#!/usr/bin/env bash
# Scan speed and memory under Wine: builds two trees in a temp folder (20,000 files in 2,000
# folders and 200,000 files in 20,000 folders, a third of the names Japanese), then runs
# scan_bench on each: the scan engine's entries per second with the file list on, a bare
# FindFirstFileW/FindNextFileW walk of the same tree, and the scan's peak memory. Peak
# memory that stays level from the small tree to the large one does not grow with the
# number of files. Each tree is scanned a second time with exclusion rules and index roots.
#   bench/scan_bench.sh [build folder]
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${1:-${CORVANE_BUILD:-$ROOT/build}}
EXE=$BUILD/bench/scan_bench.exe
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

source "$ROOT/scripts/env.sh"
wine_prefix_init
for tree in "small 2000 10" "large 20000 10"; do
  set -- $tree
  mkdir -p "$TMP/$1" "$TMP/out-$1"
  make_tree "$TMP/$1/tree" "$2" "$3"
  echo "== $1 tree: $(( $2 * $3 )) files in $2 leaf folders"
  wine "$EXE" "Z:$(echo "$TMP/$1/tree" | tr / '\\')" "Z:$(echo "$TMP/out-$1" | tr / '\\')"
  echo "-- the same with exclude.txt (54 rules, 18 for every extension) and three index roots"
  wine "$EXE" "Z:$(echo "$TMP/$1/tree" | tr / '\\')" "Z:$(echo "$TMP/out-$1-rules" | tr / '\\')" --rules
done
