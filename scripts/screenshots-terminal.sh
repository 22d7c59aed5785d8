#!/bin/sh
# Takes the user guide's picture of the Terminal window (docs/images/terminal.png) from
# BUILD/bin/pellix under Xvfb with the openbox window manager: a debug session of
# examples/echo.src on the virtual key, run freely, with letters typed into the Terminal
# window and echoed in upper case. Needs xvfb-run, openbox, xdotool and imagemagick.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${SHOTS_INSIDE_XVFB:-}" ]; then
    SHOTS_INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
root="$PWD"
work=$(mktemp -d)
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true; rm -rf "$work"' EXIT
# The main window at the left, out of the way of the debug windows' first layout.
cat >"$work/settings.ini" <<'INI'
[Configuration]
ComPort=sim
UseOrda=0
ShowWarranty=2

[EditorWindow]
Left=0
Top=24
Width=440
Height=960
WindowState=0

[FileListWidth]
FileListWidth=60
INI
cp examples/echo.src "$work/echo.src"
export PELLIX_SETTINGS="$work/settings.ini"
cd "$work"
sleep 1
"$root/BUILD/bin/pellix" "$work/echo.src" &
pid=$!
sleep 4
main=$(xdotool search --name 'Pellix v' | head -1)
xdotool windowactivate --sync "$main" || true
# Debug, then run freely (F5: no breakpoint), then the debug window's Terminal button.
xdotool key ctrl+d
sleep 4
xdotool key F5
sleep 1
debug=$(xdotool search --name '^Debug$' | head -1)
xdotool windowactivate --sync "$debug" || true
xdotool key alt+m
sleep 2
terminal=$(xdotool search --name '^Terminal$' | head -1)
xdotool windowactivate --sync "$terminal" || true
xdotool type --delay 60 'hello, echo!'
xdotool key Return
xdotool type --delay 60 'typed in lower case'
sleep 2
import -window root "$work/shot.png"
convert "$work/shot.png" -colors 64 "PNG8:$root/docs/images/terminal-session.png"
import -window "$terminal" "$work/terminal.png"
convert "$work/terminal.png" -colors 64 "PNG8:$root/docs/images/terminal.png"
kill "$pid"
wait "$pid" 2>/dev/null || true
