#!/usr/bin/env bash
# Configures (Release) and builds everything into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=Release
fi
cmake --build build -j"$(nproc)"
