#!/bin/sh
# Takes the user guide's screenshots from BUILD/bin/pellix under Xvfb into docs/images/.
# Needs xvfb-run, xdotool and imagemagick (import, convert).
set -eu
cd "$(dirname "$0")/.."
if [ -z "${SHOTS_INSIDE_XVFB:-}" ]; then
    SHOTS_INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x720x24" "$0" "$@"
fi
root="$PWD"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp scripts/try-settings.ini "$work/settings.ini"
cp examples/serial.src "$work/serial.src"
# The same program with a misspelt label, for the error screenshot.
sed 's/^\t\tCJE\ttx_bits,#1,:stop$/\t\tCJE\ttx_bits,#1,:stopp/' examples/serial.src >"$work/broken.src"
export PELLIX_SETTINGS="$work/settings.ini"
cd "$work"

# shoot SOURCE PNG: opens SOURCE, assembles it, grabs the main window.
shoot() {
    "$root/BUILD/bin/pellix" "$work/$1" &
    pid=$!
    sleep 4
    main=$(xdotool search --name 'Pellix v' | head -1)
    xdotool windowfocus "$main"
    xdotool key --window "$main" ctrl+a
    sleep 2
    import -window "$main" "$work/shot.png"
    convert "$work/shot.png" -colors 32 "PNG8:$root/docs/images/$2"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}
shoot serial.src main.png
shoot broken.src error.png

# The device window over the assembled blink.src.
cp "$root/examples/blink.src" "$work/blink.src"
"$root/BUILD/bin/pellix" "$work/blink.src" &
pid=$!
sleep 4
main=$(xdotool search --name 'Pellix v' | head -1)
xdotool windowfocus "$main"
xdotool key --window "$main" ctrl+a
sleep 2
xdotool windowfocus "$main"
xdotool key --window "$main" ctrl+i
sleep 3
import -window "$(xdotool search --name '^Device$' | head -1)" "$work/shot.png"
convert "$work/shot.png" -colors 32 "PNG8:$root/docs/images/device.png"
kill "$pid"
wait "$pid" 2>/dev/null || true
# The debug, register, watch and code windows were taken by the tests (PELLIX_SCREENSHOTS);
# a whole session under a window manager is the next script's.
SHOTS_INSIDE_XVFB= "$root/scripts/screenshots-debug.sh"
