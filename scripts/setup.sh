#!/usr/bin/env bash
# Installs every Debian package that building, running and testing QuennoAV needs.
# Idempotent: installs only what is missing. Works as root or through sudo.
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-image-formats-plugins libgl-dev
    zlib1g-dev libgif-dev
    # run: fonts, sound and movie playback, desktop integration
    fonts-ocr-a fonts-ocr-b fonts-dejavu-core
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    xdg-utils
    # artwork generator
    lame
    # tests: a headless display, pointer driving, screenshots, attributes, GIF encoders
    xvfb xauth xdotool x11-apps imagemagick giflib-tools attr trayer libglib2.0-bin
    # sanitizer and fuzzing builds
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: every package is installed"
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "setup: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
    exit 1
fi

echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
