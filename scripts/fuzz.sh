#!/bin/sh
# Builds every libFuzzer target with clang and runs each for the given seconds (default 20).
set -eu
cd "$(dirname "$0")/.."
seconds="${1:-20}"
cmake -S . -B BUILD-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DPELLIX_FUZZ=ON \
    -DPELLIX_GUI=OFF -DPELLIX_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build BUILD-fuzz
failed=0
for target in BUILD-fuzz/fuzz/*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus="BUILD-fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds=""
    [ -d "fuzz/corpus/${name#fuzz_}" ] && seeds="fuzz/corpus/${name#fuzz_}"
    echo "== $name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="BUILD-fuzz/$name-" "$corpus" $seeds >"BUILD-fuzz/$name.log" 2>&1; then
        echo "FAILED: $name"; tail -40 "BUILD-fuzz/$name.log"; failed=1
    else
        tail -1 "BUILD-fuzz/$name.log"
    fi
done
exit $failed
