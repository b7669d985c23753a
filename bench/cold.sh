#!/usr/bin/env bash
# The scan tree read cold: page cache, dentries and inodes dropped before every run, so the
# files come from the device. Our scan beside readers of the same files (sixteen cat
# processes at once, and one cat at a time), then the scan screen beside quennoscan, in
# wall and CPU time, and the peak memory of a scan. Appends Markdown to WORK_DIR/results.md.
#
#   bench/cold.sh [WORK_DIR] [BUILD_DIR]
#
# run.sh calls it at its end; run alone it needs run.sh's tree in WORK_DIR/scan and its
# build (quennoscan, bench_formscan, the media files). Dropping the caches needs root:
# without it the figures are skipped with a note. COLD_RUNS: runs per command (default 3).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
work="${1:-/tmp/quenno-bench}"
build="${2:-${BUILD_DIR:-$root/build-bench}}"
runs="${COLD_RUNS:-3}"
out="$work/results.md"
say() { printf '%s\n' "$*" | tee -a "$out"; }

qscan="$build/app/quennoscan"
scan="$work/scan"
tree="$scan/tree"
db="$scan/database.db"
for need in "$qscan" "$build/bench/bench_formscan" "$db"; do
    [ -e "$need" ] || { echo "cold.sh: $need missing; run bench/run.sh first" >&2; exit 1; }
done

say "## The tree read cold (caches dropped before each run)"
say ""
if [ "$(id -u)" -ne 0 ] || ! [ -w /proc/sys/vm/drop_caches ]; then
    say "Skipped: dropping the page cache needs root (\`echo 3 > /proc/sys/vm/drop_caches\`)."
    exit 0
fi
drop='sync; echo 3 > /proc/sys/vm/drop_caches'
within="-type f -size -100001c -print0"

say "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
hyperfine --runs "$runs" --prepare "$drop" -i --export-json "$work/cold.json" \
    -n "quennoscan --full" "$qscan --db $db --full $tree" \
    -n "find, xargs -P16 cat" "find $tree $within | xargs -0 -P16 cat >/dev/null" \
    -n "find, xargs cat (one at a time)" "find $tree $within | xargs -0 cat >/dev/null" >/dev/null

# Peak memory of a scan, cold and warm (the second run finds the files cached).
sh -c "$drop"
# quennoscan exits with 1 when it finds something, as it does here.
peak() { /usr/bin/time -f '%M' "$qscan" --db "$db" --full "$tree" 2>&1 >/dev/null | tail -1 || true; }
peak_cold=$(peak)
peak_warm=$(peak)

uiapp="$work/uiapp-cold"
rm -rf "$uiapp" && mkdir -p "$uiapp"
cp "$build"/app/*.ocx "$build"/app/*.wav "$uiapp"/
: > "$work/formscan-cold.txt"
for _ in $(seq "$runs"); do
    cp "$db" "$uiapp/database.db"
    sh -c "$drop"
    "$build/bench/bench_formscan" "$uiapp" "$tree" 2>/dev/null >> "$work/formscan-cold.txt"
done

QUENNO_BENCH_DIR="$here" python3 - "$work" "$peak_cold" "$peak_warm" <<'PY' | tee -a "$out"
import json, os, sys
sys.path.insert(0, os.environ["QUENNO_BENCH_DIR"])
from formscan_runs import read_runs
work, peak_cold, peak_warm = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
cold = {r["command"]: r for r in json.load(open(f"{work}/cold.json"))["results"]}
def cpu(r): return r["user"] + r["system"]
print("| command | mean s | min s | stddev s | CPU s (user+sys) |\n|---|---:|---:|---:|---:|")
for r in cold.values():
    print("| %s | %.3f | %.3f | %.3f | %.2f |" % (r["command"], r["mean"], r["min"], r["stddev"], cpu(r)))
q = cold["quennoscan --full"]
par = cold["find, xargs -P16 cat"]
one = cold["find, xargs cat (one at a time)"]
print("\n| figure | wall (fastest runs) | wall (means) | CPU time | goal |\n|---|---:|---:|---:|---:|")
print("| time of quennoscan / xargs -P16 cat | %.2fx | %.2fx | %.2fx | <= 1.25x |"
      % (q["min"] / par["min"], q["mean"] / par["mean"], cpu(q) / cpu(par)))
print("| time of quennoscan / one cat at a time | %.2fx | %.2fx | %.2fx | |"
      % (q["min"] / one["min"], q["mean"] / one["mean"], cpu(q) / cpu(one)))
print("| peak memory of a scan, cold / warm | %.1f / %.1f MiB | | | <= 32 MiB |" % (peak_cold / 1024, peak_warm / 1024))
runs = read_runs(f"{work}/formscan-cold.txt")
if runs:
    mean = sum(r["seconds"] for r in runs) / len(runs)
    fastest = min(r["seconds"] for r in runs)
    cpu_mean = sum(r["cpu"] for r in runs) / len(runs)
    worst = max(runs, key=lambda r: r["longest pause ms"])
    print("\n### The scan screen on the cold tree (bench_formscan, %d runs)\n" % len(runs))
    print("| figure | measured | goal |\n|---|---:|---:|")
    print("| scan screen mean / fastest s | %.3f / %.3f | |" % (mean, fastest))
    print("| CPU s of the scan screen, mean | %.2f | |" % cpu_mean)
    print("| time of scan screen / quennoscan (fastest runs) | %.2fx | <= 1.1x |" % (fastest / q["min"]))
    print("| time of scan screen / quennoscan (means) | %.2fx | <= 1.1x |" % (mean / q["mean"]))
    print("| longest UI-thread pause (worst run) | %.1f ms, ending %.3f s into the run | < 50 ms |"
          % (worst["longest pause ms"], worst["longest pause ended at s"]))
    print("| detections | %s | 40 |" % ", ".join("%d" % r.get("detections", -1) for r in runs))
PY
say ""
say "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
