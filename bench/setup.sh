#!/usr/bin/env bash
# Installs the peers that the benchmarks measure against. None of them is used by the
# product or its tests; only bench/ links or runs them.
set -euo pipefail

packages=(
    libisal-dev libdeflate-dev zlib1g-dev libbenchmark-dev
    rhash clamav hyperfine
    python3
)

exec bash "$(dirname "$0")/../scripts/install-missing.sh" "bench setup" "${packages[@]}"
