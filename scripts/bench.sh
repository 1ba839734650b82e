#!/usr/bin/env bash
# Builds and runs the benchmarks (not part of ./test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
for b in build/bench/*; do
    [ -x "$b" ] && "$b"
done
