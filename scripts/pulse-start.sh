#!/usr/bin/env bash
# Starts a private PulseAudio daemon for the tests: no system daemon, its own
# socket and runtime folder, a null sink at 44100 Hz 16-bit stereo as the
# default sink (the laser's) and a second one for a show's music. Usage: scripts/pulse-start.sh DIR
# Writes DIR/env.sh (the environment that points clients at it, to be sourced)
# and DIR/pid; DIR/pulse.log keeps the daemon's messages. Exits non-zero with a
# one-line reason when the daemon cannot start; DIR/env.sh then still points
# clients at the (absent) private socket, so no other sound server is used.
set -uo pipefail

dir=${1:?usage: pulse-start.sh DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
# A daemon left over from an interrupted run would answer in place of ours.
"$(dirname "$0")/pulse-stop.sh" "$dir"
run="$dir/run"
# A unix socket path must stay short (108 bytes); fall back to /tmp.
if [ ${#run} -gt 90 ]; then
    run=$(mktemp -d /tmp/skelmar-pulse.XXXXXX)
fi
mkdir -p "$run" "$dir/home"
chmod 700 "$run" "$dir/home"

cat >"$dir/client.conf" <<CONF
autospawn = no
CONF
cat >"$dir/default.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$run/native
load-module module-null-sink sink_name=skelmar_null rate=44100 format=s16le channels=2 norewinds=1
load-module module-null-sink sink_name=skelmar_music rate=44100 format=s16le channels=2 norewinds=1
set-default-sink skelmar_null
PA
cat >"$dir/env.sh" <<ENV
export PULSE_SERVER=unix:$run/native
export PULSE_RUNTIME_PATH=$run
export XDG_RUNTIME_DIR=$run
export PULSE_CLIENTCONFIG=$dir/client.conf
ENV
echo "$run" >"$dir/rundir"

if ! command -v pulseaudio >/dev/null 2>&1; then
    echo "pulseaudio is not installed" >&2
    exit 1
fi

# Root is told it should not run a per-user daemon; --system=false keeps it one
# anyway. No shared memory, realtime or D-Bus help is needed for a null sink.
HOME="$dir/home" XDG_RUNTIME_DIR="$run" PULSE_RUNTIME_PATH="$run" \
PULSE_STATE_PATH="$dir/home" PULSE_CLIENTCONFIG="$dir/client.conf" \
    pulseaudio -n -F "$dir/default.pa" --daemonize=no --system=false \
        --exit-idle-time=-1 --disable-shm=yes --use-pid-file=no \
        --high-priority=no --realtime=no --log-target=stderr \
        </dev/null >"$dir/pulse.log" 2>&1 &
pid=$!
echo "$pid" >"$dir/pid"

# Ready once a client gets an answer; give up after about 10 seconds.
source "$dir/env.sh"
for _ in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
        reason=$(grep -m1 '^E:' "$dir/pulse.log" || tail -1 "$dir/pulse.log")
        echo "pulseaudio exited at start: ${reason:-without a message}" >&2
        rm -f "$dir/pid"
        exit 1
    fi
    if timeout 2 pactl info >/dev/null 2>&1 && kill -0 "$pid" 2>/dev/null; then
        exit 0
    fi
    sleep 0.1
done
echo "pulseaudio did not answer within 10 s (log: $dir/pulse.log)" >&2
kill "$pid" 2>/dev/null
rm -f "$dir/pid"
exit 1
