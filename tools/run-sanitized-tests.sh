#!/bin/sh
# Builds the unit test suites and the harvester with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ and runs them (the harvester's
# suite runs the instrumented program). Any report fails
# the run: the sanitizers stop the test at their first finding.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-asan"
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANDRELL_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target vandrell test_core test_app test_urls test_extract test_results test_platform \
    test_harvest vandrell-harvest

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd "$build"
exec ctest --output-on-failure -j1 -R '^(core|app|urls|extract|results|platform|harvest)$'
