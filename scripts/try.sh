#!/bin/sh
# Installs what is missing, builds, and opens pellix on an example program.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh BUILD
if [ "$#" -eq 0 ]; then set -- examples/blink.src; fi
exec ./BUILD/bin/pellix "$@"
