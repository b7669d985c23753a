#!/usr/bin/env bash
# Installs every Debian package that building, running and testing QuennoAV needs.
# Idempotent: installs only what is missing. Works as root or through sudo.
set -euo pipefail

packages=(
    # build
    g++ cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-image-formats-plugins libgl-dev
    zlib1g-dev libgif-dev libglib2.0-dev
    # run: fonts, sound and movie playback, desktop integration
    fonts-ocr-a fonts-ocr-b fonts-dejavu-core
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
    xdg-utils
    # artwork generator
    lame
    # tests: a headless display, pointer driving, screenshots, attributes and ACLs, GIF encoders
    xvfb xauth xdotool x11-apps imagemagick giflib-tools attr acl trayer libglib2.0-bin
    # the Debian package: dependencies of the binaries, and checks of the menu entry and
    # the software-centre data
    dpkg-dev file desktop-file-utils appstream
    # sanitizer and fuzzing builds; the layout check
    clang libclang-rt-14-dev clang-format-14
)

exec bash "$(dirname "$0")/install-missing.sh" "setup" "${packages[@]}"
