#!/bin/sh
# Configures and builds into BUILD (or the folder given), with the test suite and benchmarks.
set -eu
cd "$(dirname "$0")/.."
dir="${1:-BUILD}"
shift 2>/dev/null || true
cmake -S . -B "$dir" -G Ninja -DPELLIX_TESTS=ON -DPELLIX_BENCH=ON "$@"
cmake --build "$dir"
