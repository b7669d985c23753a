#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and
# runs each of them for the given number of seconds.
#   scripts/fuzz.sh <seconds> [target...]
# Each target starts from its seed corpus (fuzz/corpus/<target>) and keeps what it learns
# in build-fuzz/corpus/<target>, so a later run goes on where this one stopped. Inputs
# that fail land in build-fuzz/findings/<target>/; copy them to fuzz/regressions/<target>/
# once fixed, so every build replays them. Exit status 1 when any target found something.
# QUENNO_FUZZ_JOBS runs that many targets at once (default 1); QUENNO_FUZZ_BUILD_DIR
# chooses the build folder (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh <seconds> [target...]}
shift
build=${QUENNO_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${QUENNO_FUZZ_JOBS:-1}

if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUENNO_BUILD_FUZZ=ON -DQUENNO_SANITIZE=ON -DQUENNO_WERROR=ON -DQUENNO_BUILD_TESTS=OFF
fi
cmake --build "$build" -j "$(nproc)" --target quenno_fuzz

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for f in "$build"/fuzz/fuzz_*; do
        [ -x "$f" ] && targets+=("$(basename "$f")")
    done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
logs="$build/fuzz-logs"
mkdir -p "$logs"

run_one() {
    local t=$1 corpus="$build/corpus/$1" findings="$build/findings/$1"
    mkdir -p "$corpus" "$findings"
    nice -n 10 "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$t" \
        >"$logs/$t.log" 2>&1 && echo 0 >"$logs/$t.rc" || echo 1 >"$logs/$t.rc"
}

running=0
for t in "${targets[@]}"; do
    rm -f "$logs/$t.rc"
    run_one "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait
failed=()
for t in "${targets[@]}"; do
    [ "$(cat "$logs/$t.rc" 2>/dev/null)" = 0 ] || failed+=("$t")
done

printf '%-24s %14s %10s %s\n' target executions exec/s result
for t in "${targets[@]}"; do
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$t.log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$logs/$t.log" | tail -1)
    result=clean
    if [ "$(cat "$logs/$t.rc" 2>/dev/null)" != 0 ]; then
        result="FINDING, see $logs/$t.log and $build/findings/$t/"
    fi
    printf '%-24s %14s %10s %s\n' "$t" "${runs:-?}" "${rate:-?}" "$result"
done
[ ${#failed[@]} -eq 0 ]
