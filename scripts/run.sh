#!/usr/bin/env bash
# Installs what is missing, builds QuennoAV and starts it from its application folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
cd build/app
if [ -x ./QuennoAV ]; then
    exec ./QuennoAV
fi
exec ./quennoscan samples
