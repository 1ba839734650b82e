#!/usr/bin/env bash
# Builds the fuzz harnesses with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz/ and runs each for SECONDS (default 60), one after the other, on the
# corpus it keeps in build-fuzz/corpus/<harness>. Names after SECONDS pick harnesses
# (svg vector text music soundtrack; default all). A crash, a leak, undefined
# behaviour or a failed check stops that harness and leaves the input in
# build-fuzz/crashes/; the script then exits 1. Not part of ./test.sh.
#
#   fuzz/run.sh 300            # five minutes each
#   fuzz/run.sh 60 svg music
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(svg vector text music soundtrack)

# clang and its sanitizer runtimes are needed here only, not by the main build.
missing=()
for p in clang-14 libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    echo "fuzz/run.sh: installing ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
if [ ! -f build-fuzz/CMakeCache.txt ]; then
    cmake -S fuzz -B build-fuzz "${generator[@]}" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build-fuzz -j"$(nproc)"

# A few small seeds, so each harness starts from inputs of its kind.
seed() { # harness name bytes...
    mkdir -p "build-fuzz/corpus/$1"
    printf '%b' "$3" > "build-fuzz/corpus/$1/$2"
}
seed svg rect '<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" viewBox="0 0 10 10"><rect width="4" height="4" stroke="black"/><g id="g"><circle r="2" fill="red"/></g><use xlink:href="#g" transform="translate(5 5)"/><path d="M1 1 C 2 3 4 5 6 7 Q 1 2 3 4 A 2 3 10 1 0 8 8 Z" stroke="blue"/><image xlink:href="a.png"/><text x="1" y="9">Hi</text></svg>'
seed svg style '<svg xmlns="http://www.w3.org/2000/svg"><style>rect { fill: url(#p) }</style><defs><linearGradient id="p" xlink:href="#q"/></defs><polyline points="0,0 5,5 9,1" stroke="black"/></svg>'
seed vector lines '\x00\x10\x00\x10\x00\x05\x01\x02\x02\x01\x00\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00\x07'
seed text hello '\x00Hello, laser!'
seed text outline '\x03Grüße 123'
seed soundtrack json '{"music": "../music/party.mp3", "offsetMs": 250}'
seed soundtrack name '\x10\x00\x00\x00:intro wav/../x'
# A second of 8-bit 8 kHz WAV with a click; an MP3 frame header with an ID3 tag before it.
wav_head='RIFF\x64\x1f\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00data\x40\x1f\x00\x00'
seed music click "\x00${wav_head}\xff\x00\xff\x00\x80\x80"
seed music mp3 '\x01ID3\x03\x00\x00\x00\x00\x00\x00\xff\xfb\x90\x64\x00'
build-fuzz/make_seeds build-fuzz/corpus/music

mkdir -p build-fuzz/crashes build-fuzz/logs
export LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp"
status=0
for h in "${harnesses[@]}"; do
    log="build-fuzz/logs/$h.log"
    echo "== fuzz_$h for ${seconds} s"
    if ! build-fuzz/fuzz_"$h" "build-fuzz/corpus/$h" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="build-fuzz/crashes/$h-" >"$log" 2>&1; then
        status=1
        echo "fuzz_$h found a problem: see $log and build-fuzz/crashes/"
    fi
    # The last coverage line and the final statistics: executions and coverage.
    grep -E '^#[0-9]+' "$log" | tail -1 || true
    grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log" || true
done
exit $status
