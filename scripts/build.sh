#!/usr/bin/env bash
# Configures (Release) and builds into build/: everything the editor, the
# command-line tool and the tests need, or the named targets (e.g. `all benches`).
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=Release
fi
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build build -j"$(nproc)" "${targets[@]}"
