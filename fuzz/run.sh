#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in a build folder of their own and runs each for
# a bounded time from its seeds in fuzz/corpus/<target>/. A crash, a broken
# rule, a leak or a hang fails the run; the input that did it is kept in the
# build folder (fuzz/artifacts/). New inputs the fuzzer finds go to a
# temporary folder, never into the repository.
#
#   fuzz/run.sh [BUILD_DIR] [SECONDS_EACH]     (defaults: build-fuzz, 60)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build-fuzz} seconds=${2:-60}

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="${PG_FUZZ_CXX:-clang++-14}" -DPG_BUILD_FUZZERS=ON \
    -DBUILD_TESTING=OFF -DPG_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" --target fuzzers

artifacts="$build_dir/fuzz/artifacts" && mkdir -p "$artifacts"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1} QT_QPA_PLATFORM=offscreen
failed=()
for seeds in fuzz/corpus/*/; do
    target=$(basename "$seeds") found=$(mktemp -d)
    log="$artifacts/$target.log"
    if "$build_dir/fuzz/$target" -max_total_time="$seconds" -max_len=24000 -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
        "$found" "$seeds" >"$log" 2>&1; then
        echo "== $target: $(awk '/executed_units/ {print $2}' "$log") inputs, no finding"
    else
        tail -n 40 "$log" >&2
        failed+=("$target")
        echo "== $target: FAILED" >&2
    fi
    rm -rf "$found"
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzzing failed: ${failed[*]} (see $artifacts)" >&2; exit 1; }
echo "fuzzing: every target ran ${seconds} s without a finding"
