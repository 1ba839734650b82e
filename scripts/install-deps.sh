#!/usr/bin/env bash
# Installs the Debian 12 packages Skelmar needs to build, test and run.
# Idempotent: packages already present are skipped, so a second run does nothing.
set -euo pipefail

PACKAGES=(
    cmake ninja-build g++ make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins libgl-dev
    # SVG drawings and text as frames: Qt SVG, the Hershey font library and its fonts;
    # zlib inflates compressed drawings (.svgz) with a limit on their size.
    qt6-svg-dev libhersheyfont-dev hershey-fonts-data zlib1g-dev
    # Soundtracks: libsndfile decodes WAV, FLAC and Ogg and writes the tests' music;
    # libmpg123 decodes MP3 quietly, telling damage apart; the beat tracker takes its
    # FFTs from FFTW and resamples the music to its own rate with libsoxr.
    libsndfile1-dev libmpg123-dev libfftw3-dev libsoxr-dev
    # Audio tests run against a real PulseAudio daemon with a null sink.
    pulseaudio pulseaudio-utils
    # The editor under a virtual display, for screenshots and the GUI smoke test.
    xvfb xauth
    # Pictures traced into frames: potrace traces the outlines.
    libpotrace-dev
    # The Debian package (dpkg-shlibdeps; CPack's dependency scan runs `file`) and
    # the check of the desktop entry.
    dpkg-dev file desktop-file-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
        echo "install-deps: need root (or sudo) to install: ${missing[*]}" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
if ! $SUDO apt-get update -qq; then
    echo "install-deps: 'apt-get update' failed; cannot install ${missing[*]}" >&2
    exit 1
fi
if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/tmp/skelmar-apt.log 2>&1; then
    tail -20 /tmp/skelmar-apt.log >&2
    echo "install-deps: apt-get could not install: ${missing[*]} (log: /tmp/skelmar-apt.log)" >&2
    exit 1
fi
