#!/usr/bin/env bash
# Measures the build the way a newcomer and a developer meet it: the cold build
# (configure and build everything in an empty folder, packages already installed)
# and the rebuilds after touching one model header and one window's source.
# Usage: scripts/build-time.sh [BUILD_DIR]   (default: build-time/, removed first)
# It touches model/LaserFrame.h and ui/FormUnitMain.cpp, so build/ rebuilds them too.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-time}
scripts/install-deps.sh

generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
jobs=$(nproc)

seconds() { # runs the command quietly and prints how long it took, in seconds
    local start end log
    log=$(mktemp)
    start=$(date +%s.%N)
    if ! "$@" >"$log" 2>&1; then
        tail -30 "$log" >&2
        rm -f "$log"
        echo "build-time: failed: $*" >&2
        exit 1
    fi
    end=$(date +%s.%N)
    rm -f "$log"
    echo "$start $end" | awk '{printf "%.1f", $2 - $1}'
}

rm -rf "$dir"
configure=$(seconds cmake -S . -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release)
build=$(seconds cmake --build "$dir" -j"$jobs")
echo "cold build on $jobs cores: $(echo "$configure $build" | awk '{printf "%.1f", $1 + $2}') s" \
     "(configure $configure s, build $build s)"

touch model/LaserFrame.h
echo "rebuild after touching model/LaserFrame.h: $(seconds cmake --build "$dir" -j"$jobs") s"
touch ui/FormUnitMain.cpp
echo "rebuild after touching ui/FormUnitMain.cpp: $(seconds cmake --build "$dir" -j"$jobs") s"
