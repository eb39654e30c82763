#!/usr/bin/env bash
# Runs the benchmarks and prints their figures. Usage: bench/run.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
"$build/bench/extract_bench" --benchmark_counters_tabular=true
"$(dirname "$0")/run_scan.sh" "$build"
"$(dirname "$0")/run_transfer.sh" "$build"
"$(dirname "$0")/run_many_files.sh" "$build"
