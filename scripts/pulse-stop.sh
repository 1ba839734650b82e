#!/usr/bin/env bash
# Stops the daemon that scripts/pulse-start.sh started in DIR, by its process id.
# Usage: scripts/pulse-stop.sh DIR
set -uo pipefail
dir=${1:?usage: pulse-stop.sh DIR}

stop_daemon() {
    [ -f "$dir/pid" ] || return 0
    local pid
    pid=$(cat "$dir/pid")
    rm -f "$dir/pid"
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
    return 0
}

stop_daemon
# The short runtime folder made in /tmp when DIR's path was too long.
if [ -f "$dir/rundir" ]; then
    run=$(cat "$dir/rundir")
    case "$run" in /tmp/skelmar-pulse.*) rm -rf "$run" ;; esac
    rm -f "$dir/rundir"
fi
exit 0
