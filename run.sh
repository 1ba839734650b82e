#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor: ./run.sh [show.RZ4]
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
exec build/skelmar "$@"
