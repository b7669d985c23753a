#!/usr/bin/env bash
# Installs what is missing, builds QuennoAV with warnings as errors and runs the whole
# test suite; then builds it again with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs the suite once more. Set QUENNO_SKIP_SANITIZE=1 to run the plain build only.
# Last, the fuzz targets are built with clang and each runs for QUENNO_FUZZ_SECONDS
# (default 15); QUENNO_SKIP_FUZZ=1 leaves them out.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENNO_WERROR=ON
cmake --build build -j "$jobs"
(cd build && ctest --output-on-failure -j "$jobs" --no-tests=error)

if [ "${QUENNO_SKIP_SANITIZE:-0}" != 1 ]; then
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUENNO_WERROR=ON -DQUENNO_SANITIZE=ON
    cmake --build build-sanitize -j "$jobs"
    (cd build-sanitize && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs" --no-tests=error)
fi

if [ "${QUENNO_SKIP_FUZZ:-0}" != 1 ]; then
    bash scripts/fuzz.sh "${QUENNO_FUZZ_SECONDS:-15}"
fi
