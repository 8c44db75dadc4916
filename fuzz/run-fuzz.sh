#!/bin/sh
# Builds the fuzz targets with clang in build-fuzz/ and runs them for SECONDS
# together (60 by default): the scanner's, then link extraction's. Exits
# non-zero when a fuzzer finds a fault, and skips, successfully, where clang
# is not installed.
set -eu

seconds=${1:-60}
half=$(((seconds + 1) / 2)) # each target's share; never 0, which would mean no limit
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

if ! command -v clang++ >/dev/null 2>&1; then
    echo "clang not found, fuzzing skipped"
    exit 0
fi

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANDRELL_FUZZ=ON -DVANDRELL_BENCH=OFF -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target fuzz_scanner fuzz_links -j2

corpus="$build/fuzz/corpus-scanner"
artifacts="$build/fuzz/artifacts-scanner"
mkdir -p "$corpus" "$artifacts"
# A few pages to start from, so the fuzzer begins among runs and spaces.
printf 'Call (555) 123-4567 now' >"$corpus/seed-call"
printf 'Tel: 555.1234, fax 555-9876.\n+1 800 555 1212\tversion 1.2 or a-b {0}[1]' >"$corpus/seed-mixed"
printf '<p class="phone">+44 (0)20 7946 0958</p>   <td>12 345</td>\r\n  -  ' >"$corpus/seed-html"

"$build/fuzz/fuzz_scanner" -max_total_time="$half" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus"

corpus="$build/fuzz/corpus-links"
artifacts="$build/fuzz/artifacts-links"
mkdir -p "$corpus" "$artifacts"
printf '<base href="/b/"><a href="x.html#f" rel="NoFollow">a</a><area href=y><iframe src="//h/z">' >"$corpus/seed-links"
printf '<META name=robots content="noindex, nofollow"></html><a href="?q&amp;r"><!-- <a href=c> -->' >"$corpus/seed-robots"
exec "$build/fuzz/fuzz_links" -max_total_time="$half" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus"
