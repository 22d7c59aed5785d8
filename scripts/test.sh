#!/bin/sh
# Installs what is missing, builds everything and runs the whole test suite.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh BUILD
cd BUILD
ctest --output-on-failure --timeout 600 -j2
