#!/bin/sh
# Builds vandrell-harvest with ThreadSanitizer in build-tsan/ and runs the
# harvester's process-level tests (from BUILD_DIR's test build) against it:
# its URL feed reads the input on a thread of its own, and every page is
# read (rows, links) on threads of their own. A report makes the
# program exit with 66, which fails the test that ran it.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-tsan"
tests="$root/${BUILD_DIR:-build}/tests/test_harvest"
flags="-fsanitize=thread -fno-omit-frame-pointer"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDRELL_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target vandrell-harvest

export TSAN_OPTIONS="halt_on_error=1:exitcode=66:second_deadlock_stack=1:suppressions=$root/tools/tsan-suppressions.txt"
export QT_QPA_PLATFORM=offscreen
VANDRELL_BUILD_DIR="$build" "$tests" -class TestHarvest
VANDRELL_BUILD_DIR="$build" exec "$tests" -class TestHarvestRegion
