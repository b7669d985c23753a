#!/usr/bin/env bash
# Installs the peers that the benchmarks measure against. None of them is used by the
# product or its tests; only bench/ links or runs them.
set -euo pipefail

packages=(
    libisal-dev libdeflate-dev zlib1g-dev libbenchmark-dev
    rhash clamav hyperfine
    python3
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "bench setup: every package is installed"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "bench setup: missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi

echo "bench setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
