#!/usr/bin/env bash
# install-missing.sh LABEL PACKAGE...
# Installs those of the Debian packages that are not installed yet. Idempotent; works as
# root or through sudo.
set -euo pipefail
label=$1
shift

missing=()
for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "$label: every package is installed"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "$label: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi

echo "$label: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
