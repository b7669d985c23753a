#!/usr/bin/env bash
# The scan through the scan screen of this tree's build against the same screen of another
# build (an earlier commit), alternating run by run on the same cached tree, so that a change
# to the screen can be held to a bound against what it replaced.
#
#   bench/screen_vs_build.sh OTHER_BUILD_DIR [WORK_DIR]     (default /tmp/quenno-bench)
#
# Both build folders need bench_formscan (QUENNO_BUILD_BENCH=ON). The tree is run.sh's
# (bench/gentree.py). Environment: BUILD_DIR (this tree's, default build-bench), RUNS (7).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
other="${1:?usage: screen_vs_build.sh OTHER_BUILD_DIR [WORK_DIR]}"
work="${2:-/tmp/quenno-bench}"
build="${BUILD_DIR:-$root/build-bench}"
runs="${RUNS:-7}"

scan="$work/scan"
[ -f "$scan/expected.txt" ] || python3 "$here/gentree.py" "$scan" > /dev/null
tree="$scan/tree"
find "$tree" -type f -size -100001c -print0 | xargs -0 cat > /dev/null   # into the cache

uiapp="$work/uiapp-vs"
rm -rf "$uiapp" && mkdir -p "$uiapp"
cp "$build"/app/*.ocx "$build"/app/*.wav "$uiapp"/
: > "$work/screen-this.txt"
: > "$work/screen-other.txt"
for i in $(seq "$runs"); do
    # Alternate which goes first, so neither always follows the other's cache state.
    order=(this other)
    [ $((i % 2)) -eq 0 ] && order=(other this)
    for which in "${order[@]}"; do
        dir="$build"
        [ "$which" = other ] && dir="$other"
        cp "$scan/database.db" "$uiapp/database.db"
        "$dir/bench/bench_formscan" "$uiapp" "$tree" 2>/dev/null >> "$work/screen-$which.txt"
    done
done

QUENNO_BENCH_DIR="$here" python3 - "$work" "$other" <<'PY'
import os, statistics, sys
sys.path.insert(0, os.environ["QUENNO_BENCH_DIR"])
from formscan_runs import read_runs
work, other = sys.argv[1], sys.argv[2]
this, before = read_runs(f"{work}/screen-this.txt"), read_runs(f"{work}/screen-other.txt")
def med(runs, key):
    return statistics.median(r[key] for r in runs)
print(f"## The scan screen, this build against {other} ({len(this)} alternating runs each)\n")
print("| figure | this build | other build | this / other |")
print("|---|---:|---:|---:|")
for key, name in (("seconds", "wall s, median"), ("cpu", "CPU s, median"), ("longest pause ms", "longest pause ms, median")):
    a, b = med(this, key), med(before, key)
    print(f"| {name} | {a:.3f} | {b:.3f} | {a / b:.3f}x |")
pairs = sorted(a["seconds"] / b["seconds"] for a, b in zip(this, before))
print(f"\nRun-by-run wall ratios: {', '.join(f'{p:.3f}' for p in pairs)}; detections "
      f"{sorted(set(r.get('detections') for r in this))} against {sorted(set(r.get('detections') for r in before))}.")
PY
