#!/usr/bin/env bash
# The scan screen's signature lists at scale, beside quennoscan loading the same list in the
# same run: peak memory, the opening of the screen and the full-scanning switch, for a list
# of 1,000,000 records and for one with a 30 MB malware name. Prints Markdown.
#
#   bench/lists.sh BUILD_DIR WORK_DIR     (run.sh calls it; RUNS runs each, default 3)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="$1"
work="$2/lists"
runs="${RUNS:-3}"
qscan="$build/app/quennoscan"
screen="$build/bench/bench_formscan"
mkdir -p "$work/empty"

[ -f "$work/1M.db" ] || python3 "$here/genlist.py" "$work/1M.db" 1000000
[ -f "$work/name30M.db" ] || python3 "$here/genlist.py" "$work/name30M.db" 10 --name-bytes 31457280
printf '50000;*.exe;Limits dan ekstensi\r\n' > "$work/0.db"

# One line per run: list, program, seconds to open (quennoscan: the whole run), seconds of
# the full switch, seconds of the switch back, records, peak KiB.
: > "$work/lists.txt"
for list in 0 1M name30M; do
    for _ in $(seq "$runs"); do
        rm -rf "$work/app" && mkdir -p "$work/app"
        cp "$work/$list.db" "$work/app/database.db"
        "$screen" --lists "$work/app" 2>/dev/null | awk -v list="$list" '
            { key = $0; sub(/ [^ ]*$/, "", key); v[key] = $NF }
            END { print list, "screen", v["open seconds"], v["full switch seconds"], v["normal switch seconds"], v["records"], v["peak rss kib"] }' \
            >> "$work/lists.txt"
        /usr/bin/time -f '%e %M' -o "$work/qtime" "$qscan" --db "$work/$list.db" "$work/empty" >/dev/null 2>&1 || true
        read -r seconds kib < <(tail -1 "$work/qtime")   # after a line on a failed exit, if any
        echo "$list quennoscan $seconds - - - $kib" >> "$work/lists.txt"
    done
done

python3 - "$work/lists.txt" <<'PY'
import sys
rows = [line.split() for line in open(sys.argv[1])]
def best(list_, prog, col, pick=min):
    vals = [float(r[col]) for r in rows if r[0] == list_ and r[1] == prog and r[col] != "-"]
    return pick(vals) if vals else float("nan")
mib = lambda kib: kib / 1024
print("| list | figure | scan screen | quennoscan | ratio | goal |\n|---|---|---:|---:|---:|---:|")
for list_, label in (("1M", "1,000,000 records (33 MB)"), ("name30M", "10 records and one 30 MB name")):
    s, q = best(list_, "screen", 6, max), best(list_, "quennoscan", 6, max)
    s0, q0 = best("0", "screen", 6, max), best("0", "quennoscan", 6, max)
    print("| %s | peak memory, MiB | %.1f | %.1f | %.2fx | |" % (label, mib(s), mib(q), s / q))
    print("| %s | peak memory for the list (above an empty list), MiB | %.1f | %.1f | %.2fx | <= 2x |"
          % (label, mib(s - s0), mib(q - q0), (s - s0) / (q - q0)))
    o, qr = best(list_, "screen", 2), best(list_, "quennoscan", 2)
    print("| %s | opening the scan screen (fastest) / quennoscan's whole run (fastest), s | %.3f | %.3f | %.2fx | < 2 s |"
          % (label, o, qr, o / qr))
    print("| %s | full-scanning switch on / off (slowest), s | %.3f / %.3f | | | < 1.5 s |"
          % (label, best(list_, "screen", 3, max), best(list_, "screen", 4, max)))
print("\nEmpty list: scan screen %.1f MiB, quennoscan %.1f MiB (the program alone)."
      % (mib(best("0", "screen", 6, max)), mib(best("0", "quennoscan", 6, max))))
PY
