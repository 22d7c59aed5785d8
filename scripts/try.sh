#!/bin/sh
# Installs what is missing, builds, and opens pellix on an example program with the virtual
# key chosen, so that Assemble, Program and Debug work at once without hardware.
#
# pellix runs on copies of the examples in BUILD/try/examples and with the settings file
# BUILD/try/settings.ini, both made on the first run and kept afterwards; your own settings
# (~/.config/pellix/settings.ini) are not touched. Set PELLIX_SETTINGS to use another file.
set -eu
# File names on the command line are taken from where you started (switches and absolute
# paths start with "/" and stay as they are).
here=$(pwd)
n=$#
while [ "$n" -gt 0 ]; do
    a=$1
    shift
    case $a in /*) ;; *) a="$here/$a" ;; esac
    set -- "$@" "$a"
    n=$((n - 1))
done
cd "$(dirname "$0")/.."
./scripts/deps.sh
./scripts/build.sh BUILD
try="$PWD/BUILD/try"
mkdir -p "$try/examples"
for f in examples/*.src examples/orda/*; do
    dest="$try/$f"
    mkdir -p "$(dirname "$dest")"
    [ -e "$dest" ] || cp "$f" "$dest"
done
if [ -z "${PELLIX_SETTINGS:-}" ]; then
    PELLIX_SETTINGS="$try/settings.ini"
    [ -e "$PELLIX_SETTINGS" ] || cp scripts/try-settings.ini "$PELLIX_SETTINGS"
    export PELLIX_SETTINGS
fi
if [ "$#" -eq 0 ]; then set -- "$try/examples/blink.src"; fi
exec ./BUILD/bin/pellix "$@"
