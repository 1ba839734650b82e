#!/usr/bin/env bash
# Builds and runs the benchmarks (not part of ./test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh benches
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
for b in build/bench/*; do
    if [ -f "$b" ] && [ -x "$b" ]; then
        echo "== $(basename "$b")"
        "$b"
    fi
done
