#!/usr/bin/env bash
# Runs every benchmark in one go and prints the figures as Markdown, each beside the peer it
# is compared with (measured in the same run). Results also go to $WORK/results.md.
#
#   bench/run.sh [WORK_DIR]        (default /tmp/quenno-bench; needs ~7 GB free)
#
# Needs the peers: bench/setup.sh. Builds its own tree in build-bench (QUENNO_BUILD_BENCH=ON).
# Environment: RUNS (hyperfine runs per command, default 5), CLAM_RUNS (default 2),
# COLD_RUNS (runs per command on the cold tree, default 3; see bench/cold.sh).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
work="${1:-/tmp/quenno-bench}"
build="${BUILD_DIR:-$root/build-bench}"
runs="${RUNS:-5}"
clam_runs="${CLAM_RUNS:-2}"
mkdir -p "$work"
out="$work/results.md"
: > "$out"
say() { printf '%s\n' "$*" | tee -a "$out"; }

for tool in hyperfine rhash clamscan python3; do
    command -v "$tool" >/dev/null || { echo "run.sh: $tool missing; run bench/setup.sh" >&2; exit 1; }
done

cmake -S "$root" -B "$build" -G Ninja -DQUENNO_BUILD_BENCH=ON -DQUENNO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target bench_crc bench_fileread bench_formscan bench_registry bench_wildcard quennoscan quenno_media >/dev/null
qscan="$build/app/quennoscan"
fileread="$build/bench/bench_fileread"

say "## Machine"
say ""
say '```'
lscpu | grep -E '^(Model name|CPU\(s\)|Thread|Core|Socket|CPU max MHz|L1d|L2|L3)' | tee -a "$out"
grep -o -w -E 'pclmulqdq|vpclmulqdq|avx512f|avx512vl|avx2' /proc/cpuinfo | sort -u | tr '\n' ' ' | tee -a "$out"
echo | tee -a "$out"
say "memory: $(free -g | awk '/Mem:/ {print $2}') GiB; kernel $(uname -r); load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
say '```'
say ""

say "## Checksum throughput (bench_crc)"
say ""
"$build/bench/bench_crc" 7 0.1 | tee -a "$out"
say ""

say "## Registry store, start-up option on large stores (bench_registry)"
say ""
"$build/bench/bench_registry" "$work" | tee -a "$out"
say ""

say "## Settings-line patterns per file name (bench_wildcard)"
say ""
say '```'
"$build/bench/bench_wildcard" | tee -a "$out"
say '```'
say ""

# ---- one large cached file --------------------------------------------------------------
big="$work/1GiB.bin"
if [ ! -f "$big" ] || [ "$(stat -c %s "$big")" -ne 1073741824 ]; then
    head -c 1073741824 /dev/urandom > "$big"
fi
cat "$big" > /dev/null

say "## Reading a cached 1 GiB file (bench_fileread)"
say ""
"$fileread" "$big" 3 | tee -a "$out"
say ""

hyperfine -N --warmup 1 --runs "$runs" --export-json "$work/crcfile.json" \
    -n "cat (read alone)" "cat $big" \
    -n "quennoscan --crc" "$qscan --crc $big" \
    -n "rhash --crc32" "rhash --crc32 $big" >/dev/null

# Peak memory on a 4 GiB file (sparse: the page cache serves the holes as zeros).
huge="$work/4GiB.sparse"
[ -f "$huge" ] || truncate -s 4G "$huge"
peak_kib=$(/usr/bin/time -f '%M' "$qscan" --crc "$huge" 2>&1 >/dev/null | tail -1)

# ---- the scan tree ----------------------------------------------------------------------
scan="$work/scan"
if [ ! -f "$scan/expected.txt" ]; then
    python3 "$here/gentree.py" "$scan" | tee "$work/tree.txt"
fi
tree="$scan/tree"
mkdir -p "$work/empty"
find "$tree" -type f -size -100001c -print0 > "$work/within.list"
xargs -0 cat < "$work/within.list" > /dev/null   # into the cache

# Detections must be identical before any timing counts.
"$qscan" --db "$scan/database.db" --full "$tree" | grep -v '^Virus Found' | cut -f1 | sort > "$work/q.found" || true
clamscan -r -i --no-summary -d "$scan/bench.hdb" --max-filesize=100000 "$tree" 2>/dev/null \
    | sed -n 's/^\(.*\): .* FOUND$/\1/p' | sort > "$work/clam.found" || true
if cmp -s "$work/q.found" "$work/clam.found" && cmp -s "$work/q.found" "$scan/expected.txt"; then
    detections="identical: $(wc -l < "$work/q.found") files reported by both, as planted"
else
    detections="DIFFERENT: quennoscan $(wc -l < "$work/q.found"), clamscan $(wc -l < "$work/clam.found"), planted $(wc -l < "$scan/expected.txt")"
fi

hyperfine --warmup 1 --runs "$runs" -i --export-json "$work/scan.json" \
    -n "quennoscan --full" "$qscan --db $scan/database.db --full $tree" \
    -n "find, xargs cat (floor)" "find $tree -type f -size -100001c -print0 | xargs -0 cat >/dev/null" \
    -n "find, xargs -P2 cat (two pipelines)" "find $tree -type f -size -100001c -print0 | xargs -0 -P2 cat >/dev/null" \
    -n "read listed files, one process" "$fileread --list $work/within.list" \
    -n "quennoscan, signatures only" "$qscan --db $scan/database.db --full $work/empty" >/dev/null
hyperfine --runs "$clam_runs" -i --export-json "$work/clam.json" \
    -n "clamscan --max-filesize=100000" \
    "clamscan -r -i --no-summary -d $scan/bench.hdb --max-filesize=100000 $tree" >/dev/null

# The same scan through the scan screen (offscreen), in an application folder of its own.
uiapp="$work/uiapp"
rm -rf "$uiapp" && mkdir -p "$uiapp"
cp "$build"/app/*.ocx "$build"/app/*.wav "$uiapp"/
: > "$work/formscan.txt"
for _ in $(seq "$runs"); do
    cp "$scan/database.db" "$uiapp/database.db"
    "$build/bench/bench_formscan" "$uiapp" "$tree" 2>/dev/null >> "$work/formscan.txt"
done

QUENNO_BENCH_DIR="$here" python3 - "$work" "$peak_kib" "$detections" <<'PY' | tee -a "$out"
import json, os, sys
sys.path.insert(0, os.environ["QUENNO_BENCH_DIR"])
from formscan_runs import read_runs
work, peak_kib, detections = sys.argv[1], int(sys.argv[2]), sys.argv[3]
def load(name):
    return {r["command"]: r for r in json.load(open(f"{work}/{name}.json"))["results"]}
crc, scan, clam = load("crcfile"), load("scan"), load("clam")
scan.update(clam)
def row(r):
    return "| %s | %.3f | %.3f | %.3f | %.2f |" % (r["command"], r["mean"], r["min"], r["stddev"], r["user"] + r["system"])
print("## quennoscan --crc on a cached 1 GiB file (hyperfine)\n")
print("| command | mean s | min s | stddev s | CPU s (user+sys) |\n|---|---:|---:|---:|---:|")
for r in crc.values(): print(row(r))
q, cat, rh = crc["quennoscan --crc"], crc["cat (read alone)"], crc["rhash --crc32"]
def cpu(r): return r["user"] + r["system"]
# Wall-clock ratios use each command's fastest run (the one least disturbed by other work on
# the machine); CPU-time ratios are given beside them.
print("\n| figure | wall (fastest runs) | CPU time | goal |\n|---|---:|---:|---:|")
print("| speed of quennoscan --crc / reading alone (cat) | %.2fx | %.2fx | >= 0.9x |" % (cat["min"] / q["min"], cpu(cat) / cpu(q)))
print("| speed of quennoscan --crc / rhash --crc32 | %.2fx | %.2fx | >= 5x |" % (rh["min"] / q["min"], cpu(rh) / cpu(q)))
print("| quennoscan --crc GB/s | %.2f | %.2f | |" % (1.073741824 / q["min"], 1.073741824 / cpu(q)))
print("| peak memory of quennoscan --crc on a 4 GiB file | %.1f MiB | | < 64 MiB |" % (peak_kib / 1024))
print("\n## Scan of the generated tree (hyperfine)\n")
print("| command | mean s | min s | stddev s | CPU s (user+sys) |\n|---|---:|---:|---:|---:|")
for r in scan.values(): print(row(r))
qs = scan["quennoscan --full"]
floor = scan["find, xargs cat (floor)"]
two = scan["find, xargs -P2 cat (two pipelines)"]
one = scan["read listed files, one process"]
sig = scan["quennoscan, signatures only"]
cl = scan["clamscan --max-filesize=100000"]
print("\n| figure | wall (fastest runs) | CPU time | goal |\n|---|---:|---:|---:|")
print("| speed of quennoscan / clamscan | %.1fx | %.1fx | >= 25x |" % (cl["min"] / qs["min"], cpu(cl) / cpu(qs)))
print("| detections | %s | | identical |" % detections)
print("| time of quennoscan / find-xargs-cat floor | %.2fx | %.2fx | <= 1.3x |" % (qs["min"] / floor["min"], cpu(qs) / cpu(floor)))
print("| time of quennoscan / two parallel cat pipelines | %.2fx | %.2fx | <= 0.8x |" % (qs["min"] / two["min"], cpu(qs) / cpu(two)))
print("| time of quennoscan / reading the same files in one process | %.2fx | %.2fx | (stricter floor) |" % (qs["min"] / one["min"], cpu(qs) / cpu(one)))
print("| signature load and index / scan time | %.2f | %.2f | < 0.10 |" % (sig["min"] / qs["min"], cpu(sig) / cpu(qs)))
runs = read_runs(f"{work}/formscan.txt")
if runs:
    mean = sum(r["seconds"] for r in runs) / len(runs)
    fastest = min(r["seconds"] for r in runs)
    worst = max(runs, key=lambda r: r["longest pause ms"])
    print("\n## The scan through the scan screen (bench_formscan, %d runs)\n" % len(runs))
    print("| figure | measured | goal |\n|---|---:|---:|")
    print("| scan screen mean s | %.3f | |" % mean)
    print("| scan screen fastest s | %.3f | |" % fastest)
    print("| time of scan screen / quennoscan (fastest runs) | %.2fx | <= 1.2x |" % (fastest / qs["min"]))
    print("| time of scan screen / quennoscan (means) | %.2fx | <= 1.2x |" % (mean / qs["mean"]))
    cpu_mean = sum(r["cpu"] for r in runs) / len(runs)
    print("| CPU time of scan screen / quennoscan (means) | %.2fx | <= 1.2x |" % (cpu_mean / cpu(qs)))
    print("| longest UI-thread pause (worst run) | %.1f ms, ending %.3f s into the run | < 50 ms |"
          % (worst["longest pause ms"], worst["longest pause ended at s"]))
    print("| detections | %s | 40 |" % ", ".join("%d" % r.get("detections", -1) for r in runs))
PY
say ""
say "## The scan screen's signature lists at scale (bench/lists.sh)"
say ""
bash "$here/lists.sh" "$build" "$work" | tee -a "$out"
say ""
say "load after the warm runs: $(cut -d' ' -f1-3 /proc/loadavg)"
say ""

# ---- the same tree, cold ----------------------------------------------------------------
COLD_RUNS="${COLD_RUNS:-3}" bash "$here/cold.sh" "$work" "$build"
