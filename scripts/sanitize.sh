#!/bin/sh
# Builds the suite with AddressSanitizer and UndefinedBehaviorSanitizer and runs it.
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B BUILD-asan -G Ninja -DPELLIX_TESTS=ON -DPELLIX_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1
cmake --build BUILD-asan
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"
cd BUILD-asan
ctest --output-on-failure --timeout 900 -j2
