#!/bin/sh
# Builds the scanner's fuzz target with clang in build-fuzz/ and runs it for
# SECONDS (60 by default). Exits non-zero when the fuzzer finds a fault, and
# skips, successfully, where clang is not installed.
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

if ! command -v clang++ >/dev/null 2>&1; then
    echo "clang not found, fuzzing skipped"
    exit 0
fi

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANDRELL_FUZZ=ON -DVANDRELL_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target fuzz_scanner -j2

corpus="$build/fuzz/corpus-scanner"
artifacts="$build/fuzz/artifacts-scanner"
mkdir -p "$corpus" "$artifacts"
# A few pages to start from, so the fuzzer begins among runs and spaces.
printf 'Call (555) 123-4567 now' >"$corpus/seed-call"
printf 'Tel: 555.1234, fax 555-9876.\n+1 800 555 1212\tversion 1.2 or a-b {0}[1]' >"$corpus/seed-mixed"
printf '<p class="phone">+44 (0)20 7946 0958</p>   <td>12 345</td>\r\n  -  ' >"$corpus/seed-html"

exec "$build/fuzz/fuzz_scanner" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus"
