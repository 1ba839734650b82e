#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite with CTest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
# The benchmarks are built too, so that they keep compiling.
scripts/build.sh all benches
export QT_QPA_PLATFORM=offscreen

# The audio tests play into a private PulseAudio daemon and record it back; it
# is stopped by its process id however this script ends.
scripts="$PWD/scripts"
pulse_dir="$PWD/build/pulse"
pulse_note=""
finish() {
    "$scripts/pulse-stop.sh" "$pulse_dir"
    [ -z "$pulse_note" ] || echo "$pulse_note"
}
trap finish EXIT
trap 'exit 130' INT TERM
if "$scripts/pulse-start.sh" "$pulse_dir"; then
    echo "test.sh: private PulseAudio daemon started (null sinks skelmar_null for the laser and skelmar_music, 44100 Hz s16le stereo)"
else
    pulse_note="test.sh: PulseAudio could not start (reason above); the tests that play sound were skipped"
    echo "$pulse_note"
fi
# shellcheck source=/dev/null
source "$pulse_dir/env.sh"

cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600
