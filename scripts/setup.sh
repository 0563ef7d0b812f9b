#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Wordaroo need,
# skipping those already installed.
set -euo pipefail
packages=(
    # build
    build-essential cmake pkg-config ccache lld
    qt6-base-dev qt6-base-private-dev libpulse-dev qt6-svg-dev qt6-charts-dev libqt6opengl6-dev libsndfile1-dev libarchive-dev libxcb1-dev libxcb-damage0-dev libgtest-dev libbenchmark-dev
    libsonic-dev
    # run: Qt plugins, sound server client and sound files (loaded by name), fonts
    qt6-qpa-plugins libpulse0 libsndfile1 libqt6svg6 libqt6sql6-sqlite libqt6sql6-psql libqt6charts6 fonts-dejavu-core fonts-liberation fonts-urw-base35
    # the letters a child may choose in the options
    fonts-sil-andika fonts-opendyslexic
    # speech and sounds rendered at build time
    flite espeak-ng sox
    # the computer voice linked into the program
    flite1-dev
    # the dictionaries that tell another real word
    libhunspell-dev hunspell-en-gb hunspell-en-us
    # listening to recordings: the recognizer (linked from its static libraries) and its model
    libpocketsphinx-dev libsphinxbase-dev pocketsphinx-en-us
    # tests: a private PostgreSQL 15 server for the class-server tests
    postgresql
    # tests: a private sound server, an X server and its tools
    pulseaudio pulseaudio-utils xvfb xauth xdotool x11-utils imagemagick at-spi2-core python3-pyatspi dbus-daemon
    # the Debian package: icons rendered in the build, dpkg-shlibdeps, checks of its files
    librsvg2-bin dpkg-dev desktop-file-utils appstream
    # opening a shared test from the desktop (xdg-open) in the package test
    xdg-utils libfile-mimeinfo-perl
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
